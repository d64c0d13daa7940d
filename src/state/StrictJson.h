#pragma once
// Typed member reads for JSON records. Unlike nlohmann's own conversions they never bend a value
// into another type (no number for a Boolean, no fraction for an integer): a record whose member
// has the wrong type fails to decode, as a record read from a store must. A null member counts as
// absent. Failures throw nlohmann::json exceptions, which every reader of records catches.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace morvex::strictjson {

using json = nlohmann::json;

inline void requireObject(const json& j, std::string_view what) {
    if (!j.is_object())
        throw json::type_error::create(302, std::string(what) + " must be a JSON object", &j);
}

// The member, or null when it is absent or null.
inline const json* member(const json& object, std::string_view key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    return &*it;
}

inline const json& requireMember(const json& object, std::string_view key) {
    const json* m = member(object, key);
    if (!m) throw json::out_of_range::create(403, "missing member \"" + std::string(key) + "\"", &object);
    return *m;
}

inline std::string asString(const json& v, std::string_view key) {
    if (!v.is_string())
        throw json::type_error::create(302, "\"" + std::string(key) + "\" must be a string", &v);
    return v.get<std::string>();
}

inline bool asBool(const json& v, std::string_view key) {
    if (!v.is_boolean())
        throw json::type_error::create(302, "\"" + std::string(key) + "\" must be a Boolean", &v);
    return v.get<bool>();
}

// Integers, and numbers with no fraction that fit 64 bits.
inline std::int64_t asInt64(const json& v, std::string_view key) {
    if (v.is_number_integer() && !v.is_number_unsigned()) return v.get<std::int64_t>();
    if (v.is_number_unsigned()) {
        auto u = v.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(INT64_MAX)) return static_cast<std::int64_t>(u);
    } else if (v.is_number_float()) {
        double d = v.get<double>();
        if (std::isfinite(d) && d == std::trunc(d) && d >= -9.2e18 && d <= 9.2e18)
            return static_cast<std::int64_t>(d);
    }
    throw json::type_error::create(302, "\"" + std::string(key) + "\" must be a 64-bit integer", &v);
}

inline double asDouble(const json& v, std::string_view key) {
    if (!v.is_number())
        throw json::type_error::create(302, "\"" + std::string(key) + "\" must be a number", &v);
    return v.get<double>();
}

inline std::string requireString(const json& o, std::string_view key) { return asString(requireMember(o, key), key); }
inline bool requireBool(const json& o, std::string_view key) { return asBool(requireMember(o, key), key); }
inline std::int64_t requireInt64(const json& o, std::string_view key) { return asInt64(requireMember(o, key), key); }
inline double requireDouble(const json& o, std::string_view key) { return asDouble(requireMember(o, key), key); }

inline std::optional<std::string> optionalString(const json& o, std::string_view key) {
    const json* m = member(o, key);
    return m ? std::optional(asString(*m, key)) : std::nullopt;
}
inline std::optional<bool> optionalBool(const json& o, std::string_view key) {
    const json* m = member(o, key);
    return m ? std::optional(asBool(*m, key)) : std::nullopt;
}
inline std::optional<std::int64_t> optionalInt64(const json& o, std::string_view key) {
    const json* m = member(o, key);
    return m ? std::optional(asInt64(*m, key)) : std::nullopt;
}

}  // namespace morvex::strictjson
