#pragma once
// Field readers for the records the back end sends and the stores keep.
//
// Records name every key in their own to_json/from_json and read fields through these helpers, so
// that "required" and "lenient" mean the same everywhere:
// - required: the key must be present with a value of the type, else decoding fails with a
//   nlohmann::json exception that names the key;
// - lenient: a missing key, null or a value of another type (a record or list that fails anywhere
//   inside included) reads as absent and never fails the whole record.
// Integers are strict: a Boolean is not an integer, and a float counts only when it has no fraction.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace morvex::coding {

// The member `key` of an object, or null when the value is no object or has no such key.
const nlohmann::json* member(const nlohmann::json& object, const char* key);

// An integer as the records take it; nothing for any other value.
std::optional<std::int64_t> asInteger(const nlohmann::json& value);
// A decimal integer written as text: an optional leading "+" or "-", then digits only.
std::optional<std::int64_t> parseDecimalInteger(std::string_view text);

[[noreturn]] void throwMissingKey(const char* key);
[[noreturn]] void throwWrongType(const char* key, const char* expected, const nlohmann::json& found);

// Fails unless the value is a JSON object; `what` names the record in the error.
void requireObject(const nlohmann::json& value, const char* what);
// The member, present and not null.
const nlohmann::json& requiredMember(const nlohmann::json& object, const char* key);

std::string requiredString(const nlohmann::json& object, const char* key);
std::int64_t requiredInteger(const nlohmann::json& object, const char* key);
bool requiredBool(const nlohmann::json& object, const char* key);    // a JSON Boolean only
double requiredNumber(const nlohmann::json& object, const char* key);  // any JSON number
// Missing or null gives nothing; a value of another type fails.
std::optional<std::string> optionalString(const nlohmann::json& object, const char* key);
std::optional<std::int64_t> optionalInteger(const nlohmann::json& object, const char* key);
std::optional<bool> optionalBool(const nlohmann::json& object, const char* key);

std::optional<std::string> lenientString(const nlohmann::json& object, const char* key);
std::optional<std::int64_t> lenientInteger(const nlohmann::json& object, const char* key);
std::optional<bool> lenientBool(const nlohmann::json& object, const char* key);

// A nested record read leniently: anything that fails inside it makes it absent.
template <class T>
std::optional<T> lenientRecord(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || value->is_null()) return std::nullopt;
    try {
        return value->get<T>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// A list of records read leniently: one element that fails makes the whole list absent.
template <class T>
std::optional<std::vector<T>> lenientList(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || !value->is_array()) return std::nullopt;
    std::vector<T> out;
    out.reserve(value->size());
    try {
        for (const auto& element : *value) out.push_back(element.get<T>());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    return out;
}

}  // namespace morvex::coding
