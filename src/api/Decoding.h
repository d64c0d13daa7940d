#pragma once
// Strict JSON reading for answer records: required keys must be there with the right type,
// optional keys may be missing or null but not of another type. Failures are exceptions while a
// record is read and become an Error at the edge (`decode`).
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/Error.h"

namespace morvex {

inline constexpr std::string_view kDecodingErrorDomain = "DecodingError";
namespace DecodingErrorCode {
inline constexpr int notJSON = 3840;     // the bytes are not JSON at all
inline constexpr int wrongShape = 4864;  // JSON, but a key is missing or has the wrong type
}  // namespace DecodingErrorCode

// Thrown while reading a record; carries the error that the decoding reports.
struct DecodeFailure : std::runtime_error {
    Error error;
    explicit DecodeFailure(Error e) : std::runtime_error(e.message), error(std::move(e)) {}
};

[[noreturn]] void throwWrongShape(std::string_view what);

template <class T> bool hasJSONType(const nlohmann::json& v) {
    if constexpr (std::is_same_v<T, std::string>) return v.is_string();
    else if constexpr (std::is_same_v<T, bool>) return v.is_boolean();
    else if constexpr (std::is_integral_v<T>) return v.is_number_integer();
    else if constexpr (std::is_floating_point_v<T>) return v.is_number();
    else return true;  // records check themselves
}

template <class T> T requiredKey(const nlohmann::json& j, const char* key) {
    if (!j.is_object()) throwWrongShape(std::string("expected an object holding \"") + key + "\"");
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) throwWrongShape(std::string("key \"") + key + "\" not found");
    if (!hasJSONType<T>(*it)) throwWrongShape(std::string("key \"") + key + "\" has the wrong type");
    return it->template get<T>();
}

// Missing or null: absent. Another type: a failure.
template <class T> std::optional<T> optionalKey(const nlohmann::json& j, const char* key) {
    if (!j.is_object()) throwWrongShape(std::string("expected an object holding \"") + key + "\"");
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return std::nullopt;
    if (!hasJSONType<T>(*it)) throwWrongShape(std::string("key \"") + key + "\" has the wrong type");
    return it->template get<T>();
}

// The error that a failed decoding reports.
Error decodingError(const std::exception& e);

// Parses the bytes and reads a T from them.
template <class T> Result<T> decode(std::string_view bytes) {
    try {
        auto j = nlohmann::json::parse(bytes);
        return j.template get<T>();
    } catch (const std::exception& e) {
        return fail(decodingError(e));
    }
}

}  // namespace morvex
