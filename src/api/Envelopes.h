#pragma once
// The smaller answer envelopes and records of the back end. Each encodes its keys in the order its
// fields are listed here when written into nlohmann::ordered_json (nlohmann::json sorts them).
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "api/Decoding.h"

namespace morvex {

// {"body": T}; "body" is required.
template <class T>
struct HttpResponseModel {
    static constexpr bool emptyObjectRepresentable = true;
    T body;
};

template <class T> void from_json(const nlohmann::json& j, HttpResponseModel<T>& m) {
    const auto* body = coding::member(j, "body");
    if (!body) coding::throwMissingKey("body");
    m.body = body->template get<T>();
}
template <class T> void to_json(nlohmann::json& j, const HttpResponseModel<T>& m) {
    j = nlohmann::json{{"body", m.body}};
}
template <class T> void to_json(nlohmann::ordered_json& j, const HttpResponseModel<T>& m) {
    j = nlohmann::ordered_json::object();
    j["body"] = m.body;
}

struct ResponseMessage {
    int code = 0;          // "response_code"
    std::string message;   // "message"
    friend bool operator==(const ResponseMessage&, const ResponseMessage&) = default;
};
void from_json(const nlohmann::json& j, ResponseMessage& m);
void to_json(nlohmann::json& j, const ResponseMessage& m);
void to_json(nlohmann::ordered_json& j, const ResponseMessage& m);

struct GenericReponseWithHeader {
    static constexpr bool emptyObjectRepresentable = true;
    ResponseMessage header;
};
void from_json(const nlohmann::json& j, GenericReponseWithHeader& m);
void to_json(nlohmann::json& j, const GenericReponseWithHeader& m);
void to_json(nlohmann::ordered_json& j, const GenericReponseWithHeader& m);

struct AuthToken {
    std::optional<std::string> code;  // the token set, encrypted
};
void from_json(const nlohmann::json& j, AuthToken& m);
void to_json(nlohmann::json& j, const AuthToken& m);
void to_json(nlohmann::ordered_json& j, const AuthToken& m);

struct TokenResponse {
    static constexpr bool emptyObjectRepresentable = true;
    ResponseMessage header;
    AuthToken body;
};
void from_json(const nlohmann::json& j, TokenResponse& m);
void to_json(nlohmann::json& j, const TokenResponse& m);
void to_json(nlohmann::ordered_json& j, const TokenResponse& m);

// The support ticket's flat answer (the support model refers to it by this name).
struct SupportAPIResponseModel {
    static constexpr bool emptyObjectRepresentable = true;
    std::optional<std::string> result;
    std::optional<int> id;
    std::optional<std::string> tid;
    std::optional<std::string> c;
};
void from_json(const nlohmann::json& j, SupportAPIResponseModel& m);
void to_json(nlohmann::json& j, const SupportAPIResponseModel& m);
void to_json(nlohmann::ordered_json& j, const SupportAPIResponseModel& m);

}  // namespace morvex
