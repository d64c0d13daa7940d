#include "foundation/Value.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "foundation/BoundedJson.h"
#include "foundation/Codec.h"

namespace morvex {

Date Date::now() {
    using namespace std::chrono;
    return Date{duration<double>(system_clock::now().time_since_epoch()).count()};
}

Value::Value(const std::vector<std::string>& strings) {
    Array a;
    a.reserve(strings.size());
    for (const auto& s : strings) a.emplace_back(s);
    v_ = std::move(a);
}

std::int64_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    bool any = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        any = true;
        int digit = text[i++] - '0';
        if (value > (INT64_MAX - digit) / 10) return negative ? INT64_MIN : INT64_MAX;
        value = value * 10 + digit;
    }
    if (!any) return 0;
    return negative ? -value : value;
}

bool leadingTruth(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i >= text.size()) return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

bool Value::toBool() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_);
        case Kind::Integer: return std::get<std::int64_t>(v_) != 0;
        case Kind::Double: return std::get<double>(v_) != 0.0;
        case Kind::String: return leadingTruth(std::get<std::string>(v_));
        default: return false;
    }
}

std::int64_t Value::toInteger() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? 1 : 0;
        case Kind::Integer: return std::get<std::int64_t>(v_);
        case Kind::Double: {
            double d = std::get<double>(v_);
            if (std::isnan(d)) return 0;
            if (d >= 9.2e18) return INT64_MAX;
            if (d <= -9.2e18) return INT64_MIN;
            return static_cast<std::int64_t>(d);
        }
        case Kind::String: return leadingInteger(std::get<std::string>(v_));
        default: return 0;
    }
}

double Value::toDouble() const {
    switch (kind()) {
        case Kind::Bool: return std::get<bool>(v_) ? 1.0 : 0.0;
        case Kind::Integer: return static_cast<double>(std::get<std::int64_t>(v_));
        case Kind::Double: return std::get<double>(v_);
        case Kind::String: {
            const std::string& s = std::get<std::string>(v_);
            char* end = nullptr;
            double d = std::strtod(s.c_str(), &end);
            return end == s.c_str() ? 0.0 : d;
        }
        default: return 0.0;
    }
}

std::optional<std::string> Value::toText() const {
    switch (kind()) {
        case Kind::String: return std::get<std::string>(v_);
        case Kind::Bool: return std::string(std::get<bool>(v_) ? "1" : "0");
        case Kind::Integer: return std::to_string(std::get<std::int64_t>(v_));
        case Kind::Double: {
            nlohmann::json j = std::get<double>(v_);
            return j.dump();
        }
        default: return std::nullopt;
    }
}

bool Value::nestsDeeperThan(std::size_t levels) const {
    if (const auto* a = get<Array>()) {
        if (levels == 0) return true;
        for (const auto& e : *a)
            if (e.nestsDeeperThan(levels - 1)) return true;
    } else if (const auto* d = get<Dictionary>()) {
        if (levels == 0) return true;
        for (const auto& [_, e] : *d)
            if (e.nestsDeeperThan(levels - 1)) return true;
    }
    return false;
}

std::expected<Dictionary, std::string> dictionaryFromJsonText(std::string_view text) {
    auto j = json::parseText(text);
    if (!j) return std::unexpected(j.error());
    if (!j->is_object()) return std::unexpected(std::string("not a JSON object"));
    auto v = Value::fromJson(*j);
    return std::move(*v.get<Dictionary>());
}

Value Value::fromJson(const nlohmann::json& j) {
    switch (j.type()) {
        case nlohmann::json::value_t::boolean: return Value(j.get<bool>());
        case nlohmann::json::value_t::number_integer:
        case nlohmann::json::value_t::number_unsigned: return Value(static_cast<long long>(j.get<std::int64_t>()));
        case nlohmann::json::value_t::number_float: return Value(j.get<double>());
        case nlohmann::json::value_t::string: return Value(j.get<std::string>());
        case nlohmann::json::value_t::array: {
            Array a;
            a.reserve(j.size());
            for (const auto& e : j) a.push_back(fromJson(e));
            return Value(std::move(a));
        }
        case nlohmann::json::value_t::object: {
            Dictionary d;
            for (const auto& [k, e] : j.items()) d.emplace(k, fromJson(e));
            return Value(std::move(d));
        }
        default: return Value(std::string());
    }
}

nlohmann::json Value::toTaggedJson() const {
    using nlohmann::json;
    switch (kind()) {
        case Kind::Bool: return json{{"b", std::get<bool>(v_)}};
        case Kind::Integer: return json{{"i", std::get<std::int64_t>(v_)}};
        case Kind::Double: return json{{"r", std::get<double>(v_)}};
        case Kind::String: return json{{"s", std::get<std::string>(v_)}};
        case Kind::Data: return json{{"d", base64Encode(std::get<Bytes>(v_))}};
        case Kind::Date: return json{{"t", std::get<Date>(v_).secondsSince1970}};
        case Kind::Array: {
            json a = json::array();
            for (const auto& e : std::get<Array>(v_)) a.push_back(e.toTaggedJson());
            return json{{"a", std::move(a)}};
        }
        case Kind::Dictionary: {
            json m = json::object();
            for (const auto& [k, e] : std::get<Dictionary>(v_)) m[k] = e.toTaggedJson();
            return json{{"m", std::move(m)}};
        }
    }
    return nullptr;
}

std::optional<Value> Value::fromTaggedJson(const nlohmann::json& j) {
    if (!j.is_object() || j.size() != 1) return std::nullopt;
    const std::string& tag = j.begin().key();
    const nlohmann::json& body = j.begin().value();
    if (tag == "b" && body.is_boolean()) return Value(body.get<bool>());
    if (tag == "i" && body.is_number_integer()) return Value(static_cast<long long>(body.get<std::int64_t>()));
    if (tag == "r" && body.is_number()) return Value(body.get<double>());
    if (tag == "s" && body.is_string()) return Value(body.get<std::string>());
    if (tag == "d" && body.is_string()) {
        auto bytes = base64Decode(body.get_ref<const std::string&>());
        if (!bytes) return std::nullopt;
        return Value(std::move(*bytes));
    }
    if (tag == "t" && body.is_number()) return Value(Date{body.get<double>()});
    if (tag == "a" && body.is_array()) {
        Array a;
        a.reserve(body.size());
        for (const auto& e : body) {
            auto v = fromTaggedJson(e);
            if (!v) return std::nullopt;
            a.push_back(std::move(*v));
        }
        return Value(std::move(a));
    }
    if (tag == "m" && body.is_object()) {
        Dictionary d;
        for (const auto& [k, e] : body.items()) {
            auto v = fromTaggedJson(e);
            if (!v) return std::nullopt;
            d.emplace(k, std::move(*v));
        }
        return Value(std::move(d));
    }
    return std::nullopt;
}

}  // namespace morvex
