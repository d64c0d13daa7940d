#pragma once
// A property-list value: what a UserDefaults key or a dictionary entry can hold.
#include <cstddef>
#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace morvex {

using Bytes = std::vector<std::uint8_t>;

// A point in time as seconds since 1970 (the stored form of dates).
struct Date {
    double secondsSince1970 = 0;
    static Date now();
    friend auto operator<=>(const Date&, const Date&) = default;
};

class Value;
// The deepest nesting of lists and dictionaries the stores keep: a value nested deeper is refused
// when it is stored, so whatever they write reads back within the file readers' bound.
inline constexpr std::size_t kMaxValueDepth = 100;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value>;

class Value {
public:
    using Storage = std::variant<bool, std::int64_t, double, std::string, Bytes, Date, Array, Dictionary>;
    enum class Kind { Bool, Integer, Double, String, Data, Date, Array, Dictionary };

    Value() : v_(false) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(std::int64_t{i}) {}
    Value(long i) : v_(std::int64_t{i}) {}
    Value(long long i) : v_(static_cast<std::int64_t>(i)) {}
    Value(unsigned i) : v_(std::int64_t{i}) {}
    Value(double d) : v_(d) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(Bytes b) : v_(std::move(b)) {}
    Value(Date d) : v_(d) {}
    Value(Array a) : v_(std::move(a)) {}
    Value(Dictionary d) : v_(std::move(d)) {}
    Value(const std::vector<std::string>& strings);

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNumber() const { return kind() == Kind::Bool || kind() == Kind::Integer || kind() == Kind::Double; }

    template <class T> bool is() const { return std::holds_alternative<T>(v_); }
    template <class T> const T* get() const { return std::get_if<T>(&v_); }
    template <class T> T* get() { return std::get_if<T>(&v_); }

    // Conversions with the lenient rules of typed reads: numbers and numeric text convert,
    // anything else gives the empty value.
    bool toBool() const;
    std::int64_t toInteger() const;
    double toDouble() const;
    std::optional<std::string> toText() const;  // text, or a number written out

    // True when lists and dictionaries nest more than `levels` deep (a plain value is level 0).
    // Looks no deeper than that.
    bool nestsDeeperThan(std::size_t levels) const;

    const Storage& storage() const { return v_; }
    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

    // A value from plain JSON (numbers, text, lists, objects); null becomes the empty text.
    // Recurses once per level: give it documents from the bounded readers (BoundedJson.h).
    static Value fromJson(const nlohmann::json& j);

    // Tagged JSON form used on disk: every kind survives a round trip.
    nlohmann::json toTaggedJson() const;
    static std::optional<Value> fromTaggedJson(const nlohmann::json& j);

private:
    Storage v_;
};

// The dictionary in a JSON object text (Info values, settings files), read with the nesting bound
// of the file readers; otherwise why the text is not one.
std::expected<Dictionary, std::string> dictionaryFromJsonText(std::string_view text);

// Text -> integer as a leading decimal number (optional blanks and sign); otherwise 0.
std::int64_t leadingInteger(std::string_view text);
// Text -> truth: "Y", "y", "T", "t" or a leading non-zero digit, after blanks and sign.
bool leadingTruth(std::string_view text);

}  // namespace morvex
