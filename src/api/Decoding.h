#pragma once
// Decoding of whole answers: the bytes are parsed and read into a record (through the field
// readers of JsonCoding.h); any failure becomes one Error of the "DecodingError" domain.
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "model/JsonCoding.h"
#include "foundation/Error.h"

namespace morvex {

inline constexpr std::string_view kDecodingErrorDomain = "DecodingError";
namespace DecodingErrorCode {
inline constexpr int notJSON = 3840;     // the bytes are not JSON at all
inline constexpr int wrongShape = 4864;  // JSON, but a key is missing or has the wrong type
}  // namespace DecodingErrorCode

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

namespace coding {

// A nested record that must be there (an object; null counts as missing).
template <class T> T requiredRecord(const nlohmann::json& object, const char* key) {
    const auto& value = requiredMember(object, key);
    if (!value.is_object()) throwWrongType(key, "object", value);
    return value.get<T>();
}

}  // namespace coding

}  // namespace morvex
