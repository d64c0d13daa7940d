#include "api/Envelopes.h"

namespace morvex {

void from_json(const nlohmann::json& j, ResponseMessage& m) {
    m.code = static_cast<int>(coding::requiredInteger(j, "response_code"));
    m.message = coding::requiredString(j, "message");
}
void to_json(nlohmann::json& j, const ResponseMessage& m) {
    j = nlohmann::json{{"response_code", m.code}, {"message", m.message}};
}

void from_json(const nlohmann::json& j, GenericReponseWithHeader& m) {
    m.header = coding::requiredRecord<ResponseMessage>(j, "header");
}
void to_json(nlohmann::json& j, const GenericReponseWithHeader& m) { j = nlohmann::json{{"header", m.header}}; }

void from_json(const nlohmann::json& j, AuthToken& m) {
    coding::requireObject(j, "the token body is not an object");
    m.code = coding::optionalString(j, "code");
}
void to_json(nlohmann::json& j, const AuthToken& m) {
    j = nlohmann::json::object();
    if (m.code) j["code"] = *m.code;
}

void from_json(const nlohmann::json& j, TokenResponse& m) {
    m.header = coding::requiredRecord<ResponseMessage>(j, "header");
    m.body = coding::requiredRecord<AuthToken>(j, "body");
}
void to_json(nlohmann::json& j, const TokenResponse& m) { j = nlohmann::json{{"header", m.header}, {"body", m.body}}; }

void from_json(const nlohmann::json& j, SupportAPIResponseModel& m) {
    coding::requireObject(j, "the support answer is not an object");
    m.result = coding::optionalString(j, "result");
    if (auto id = coding::optionalInteger(j, "id")) m.id = static_cast<int>(*id);
    else m.id.reset();
    m.tid = coding::optionalString(j, "tid");
    m.c = coding::optionalString(j, "c");
}
void to_json(nlohmann::json& j, const SupportAPIResponseModel& m) {
    j = nlohmann::json::object();
    if (m.result) j["result"] = *m.result;
    if (m.id) j["id"] = *m.id;
    if (m.tid) j["tid"] = *m.tid;
    if (m.c) j["c"] = *m.c;
}

}  // namespace morvex
