#include "api/Envelopes.h"

namespace morvex {

void from_json(const nlohmann::json& j, ResponseMessage& m) {
    m.code = static_cast<int>(coding::requiredInteger(j, "response_code"));
    m.message = coding::requiredString(j, "message");
}
namespace {

template <class Json>
void encode(Json& j, const ResponseMessage& m) {
    j = Json::object();
    j["response_code"] = m.code;
    j["message"] = m.message;
}
template <class Json>
void encode(Json& j, const GenericReponseWithHeader& m) {
    j = Json::object();
    j["header"] = m.header;
}
template <class Json>
void encode(Json& j, const AuthToken& m) {
    j = Json::object();
    if (m.code) j["code"] = *m.code;
}
template <class Json>
void encode(Json& j, const TokenResponse& m) {
    j = Json::object();
    j["header"] = m.header;
    j["body"] = m.body;
}
template <class Json>
void encode(Json& j, const SupportAPIResponseModel& m) {
    j = Json::object();
    if (m.result) j["result"] = *m.result;
    if (m.id) j["id"] = *m.id;
    if (m.tid) j["tid"] = *m.tid;
    if (m.c) j["c"] = *m.c;
}

}  // namespace

void to_json(nlohmann::json& j, const ResponseMessage& m) { encode(j, m); }
void to_json(nlohmann::ordered_json& j, const ResponseMessage& m) { encode(j, m); }

void from_json(const nlohmann::json& j, GenericReponseWithHeader& m) {
    m.header = coding::requiredRecord<ResponseMessage>(j, "header");
}
void to_json(nlohmann::json& j, const GenericReponseWithHeader& m) { encode(j, m); }
void to_json(nlohmann::ordered_json& j, const GenericReponseWithHeader& m) { encode(j, m); }

void from_json(const nlohmann::json& j, AuthToken& m) {
    coding::requireObject(j, "the token body is not an object");
    m.code = coding::optionalString(j, "code");
}
void to_json(nlohmann::json& j, const AuthToken& m) { encode(j, m); }
void to_json(nlohmann::ordered_json& j, const AuthToken& m) { encode(j, m); }

void from_json(const nlohmann::json& j, TokenResponse& m) {
    m.header = coding::requiredRecord<ResponseMessage>(j, "header");
    m.body = coding::requiredRecord<AuthToken>(j, "body");
}
void to_json(nlohmann::json& j, const TokenResponse& m) { encode(j, m); }
void to_json(nlohmann::ordered_json& j, const TokenResponse& m) { encode(j, m); }

void from_json(const nlohmann::json& j, SupportAPIResponseModel& m) {
    coding::requireObject(j, "the support answer is not an object");
    m.result = coding::optionalString(j, "result");
    if (auto id = coding::optionalInteger(j, "id")) m.id = static_cast<int>(*id);
    else m.id.reset();
    m.tid = coding::optionalString(j, "tid");
    m.c = coding::optionalString(j, "c");
}
void to_json(nlohmann::json& j, const SupportAPIResponseModel& m) { encode(j, m); }
void to_json(nlohmann::ordered_json& j, const SupportAPIResponseModel& m) { encode(j, m); }

}  // namespace morvex
