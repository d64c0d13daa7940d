#include "model/JsonCoding.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace morvex::coding {

const nlohmann::json* member(const nlohmann::json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::optional<std::int64_t> asInteger(const nlohmann::json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        auto u = value.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(u);
    }
    if (value.is_number_float()) {
        double d = value.get<double>();
        // 2^63 is the first double past the int64 range.
        if (std::isfinite(d) && std::trunc(d) == d && d >= -9223372036854775808.0 && d < 9223372036854775808.0)
            return static_cast<std::int64_t>(d);
    }
    return std::nullopt;
}

std::optional<std::int64_t> parseDecimalInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    // Parse the magnitude with its sign so that the most negative value still fits.
    std::string digits = negative ? "-" + std::string(text) : std::string(text);
    std::int64_t out = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return out;
}

void throwMissingKey(const char* key) {
    throw nlohmann::json::out_of_range::create(403, std::string("key '") + key + "' not found", nullptr);
}

void throwWrongType(const char* key, const char* expected, const nlohmann::json& found) {
    throw nlohmann::json::type_error::create(
        302, std::string("value of key '") + key + "' must be " + expected + ", but is " + found.type_name(), nullptr);
}

std::string requiredString(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value) throwMissingKey(key);
    if (!value->is_string()) throwWrongType(key, "string", *value);
    return value->get<std::string>();
}

std::int64_t requiredInteger(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value) throwMissingKey(key);
    auto integer = asInteger(*value);
    if (!integer) throwWrongType(key, "integer", *value);
    return *integer;
}

std::optional<std::string> optionalString(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || value->is_null()) return std::nullopt;
    if (!value->is_string()) throwWrongType(key, "string", *value);
    return value->get<std::string>();
}

void requireObject(const nlohmann::json& value, const char* what) {
    if (!value.is_object())
        throw nlohmann::json::type_error::create(
            302, std::string(what) + " must be an object, but is " + value.type_name(), nullptr);
}

const nlohmann::json& requiredMember(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || value->is_null()) throwMissingKey(key);
    return *value;
}

bool requiredBool(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value) throwMissingKey(key);
    if (!value->is_boolean()) throwWrongType(key, "Boolean", *value);
    return value->get<bool>();
}

double requiredNumber(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value) throwMissingKey(key);
    if (!value->is_number()) throwWrongType(key, "number", *value);
    return value->get<double>();
}

std::optional<std::int64_t> optionalInteger(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || value->is_null()) return std::nullopt;
    auto integer = asInteger(*value);
    if (!integer) throwWrongType(key, "integer", *value);
    return integer;
}

std::optional<bool> optionalBool(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || value->is_null()) return std::nullopt;
    if (!value->is_boolean()) throwWrongType(key, "Boolean", *value);
    return value->get<bool>();
}

std::optional<std::string> lenientString(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::int64_t> lenientInteger(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value) return std::nullopt;
    return asInteger(*value);
}

std::optional<bool> lenientBool(const nlohmann::json& object, const char* key) {
    const auto* value = member(object, key);
    if (!value || !value->is_boolean()) return std::nullopt;
    return value->get<bool>();
}

}  // namespace morvex::coding
