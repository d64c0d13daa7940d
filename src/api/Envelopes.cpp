#include "api/Envelopes.h"

namespace morvex {

void from_json(const nlohmann::json& j, ResponseMessage& m) {
    m.code = requiredKey<int>(j, "response_code");
    m.message = requiredKey<std::string>(j, "message");
}
void to_json(nlohmann::json& j, const ResponseMessage& m) {
    j = nlohmann::json{{"response_code", m.code}, {"message", m.message}};
}

void from_json(const nlohmann::json& j, GenericReponseWithHeader& m) {
    m.header = requiredKey<ResponseMessage>(j, "header");
}
void to_json(nlohmann::json& j, const GenericReponseWithHeader& m) { j = nlohmann::json{{"header", m.header}}; }

void from_json(const nlohmann::json& j, AuthToken& m) {
    if (!j.is_object()) throwWrongShape("the token body is not an object");
    m.code = optionalKey<std::string>(j, "code");
}
void to_json(nlohmann::json& j, const AuthToken& m) {
    j = nlohmann::json::object();
    if (m.code) j["code"] = *m.code;
}

void from_json(const nlohmann::json& j, TokenResponse& m) {
    m.header = requiredKey<ResponseMessage>(j, "header");
    m.body = requiredKey<AuthToken>(j, "body");
}
void to_json(nlohmann::json& j, const TokenResponse& m) { j = nlohmann::json{{"header", m.header}, {"body", m.body}}; }

void from_json(const nlohmann::json& j, SupportAPIResponseModel& m) {
    if (!j.is_object()) throwWrongShape("the support answer is not an object");
    m.result = optionalKey<std::string>(j, "result");
    m.id = optionalKey<int>(j, "id");
    m.tid = optionalKey<std::string>(j, "tid");
    m.c = optionalKey<std::string>(j, "c");
}
void to_json(nlohmann::json& j, const SupportAPIResponseModel& m) {
    j = nlohmann::json::object();
    if (m.result) j["result"] = *m.result;
    if (m.id) j["id"] = *m.id;
    if (m.tid) j["tid"] = *m.tid;
    if (m.c) j["c"] = *m.c;
}

}  // namespace morvex
