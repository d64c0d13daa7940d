#pragma once
// The API gateway's answer envelope: {"header": {"response_code", "message"}, "body": T}.
#include <concepts>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "api/Decoding.h"

namespace morvex {

// Every answer type of the generic request code says so with
// `static constexpr bool emptyObjectRepresentable = true;`.
template <class T>
concept EmptyObjectRepresentable = requires {
    { T::emptyObjectRepresentable } -> std::convertible_to<bool>;
} && T::emptyObjectRepresentable;

struct ApiResponseHeader {
    int responseCode = 0;
    std::string message;
};

inline void from_json(const nlohmann::json& j, ApiResponseHeader& h) {
    h.responseCode = static_cast<int>(coding::requiredInteger(j, "response_code"));
    h.message = coding::requiredString(j, "message");
}

template <EmptyObjectRepresentable T>
struct ApiResponse {
    using Header = ApiResponseHeader;
    Header header;
    std::optional<T> body;
};

// A missing "body" leaves the body absent; a body that is not an object fails; an empty object
// gives T when T can be read from it and an absent body otherwise.
template <EmptyObjectRepresentable T>
void from_json(const nlohmann::json& j, ApiResponse<T>& r) {
    coding::requireObject(j, "the envelope");
    r.header = coding::requiredRecord<ApiResponseHeader>(j, "header");
    r.body.reset();
    auto it = j.find("body");
    if (it == j.end()) return;
    if (!it->is_object()) coding::throwWrongType("body", "object", *it);
    if (it->empty()) {
        try {
            r.body = it->template get<T>();
        } catch (const std::exception&) {
            r.body.reset();
        }
        return;
    }
    r.body = it->template get<T>();
}

}  // namespace morvex
