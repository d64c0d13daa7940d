#pragma once
// One table per enumeration: every case beside its raw text (and any further columns a type
// needs), in case order. The look-ups both ways and the JSON coding are derived from the table, so
// each text is written once.
//
//   struct ProtocolNames { VPNProtocol value; std::string_view raw; std::string_view title; };
//   constexpr auto kProtocols = enumTable<ProtocolNames>("VPNProtocol", {
//       {VPNProtocol::IPSec, "IPSEC", "IPSec"},
//       ...
//   });
//   std::string_view rawValue(VPNProtocol p) { return kProtocols.raw(p); }
//   MORVEX_DEFINE_ENUM_JSON(VPNProtocol, kProtocols)   // in the .cpp; the header declares it
//
// A row type is any aggregate with the members `value` (the case) and `raw` (its text); a table of
// plain pairs names the enumeration itself (`enumTable<AccessTokenScope>(…)`). The rows must list
// the cases in declaration order from 0 with no raw text twice: a constexpr table that breaks this
// does not compile (made at run time, it throws std::logic_error).
//
// Only nlohmann/json_fwd.hpp is included: the JSON members are templates that a .cpp instantiates
// where it includes nlohmann/json.hpp.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include <nlohmann/json_fwd.hpp>

namespace morvex {

// The row of a table with no columns beyond the raw text.
template <class E>
struct EnumRow {
    E value;
    std::string_view raw;
};

// What JSON decoding throws for a string that names no case. Any value that is no string is a
// type_error 302.
enum class UnknownRawError { otherError501, typeError302 };

template <class Row, std::size_t N>
class EnumTable {
public:
    using Enum = std::remove_cv_t<decltype(Row::value)>;
    static_assert(std::is_enum_v<Enum>, "a row's `value` is the enumeration's case");

    // `name` is the enumeration's name in JSON errors.
    constexpr EnumTable(std::string_view name, const Row (&rows)[N], UnknownRawError unknown)
        : name_(name), unknown_(unknown) {
        for (std::size_t i = 0; i < N; ++i) {
            if (static_cast<std::size_t>(rows[i].value) != i)
                throw std::logic_error("enum table rows must list the cases in declaration order");
            for (std::size_t earlier = 0; earlier < i; ++earlier)
                if (rows[earlier].raw == rows[i].raw) throw std::logic_error("enum table has a raw text twice");
            rows_[i] = rows[i];
        }
    }

    constexpr std::string_view name() const { return name_; }
    constexpr const std::array<Row, N>& rows() const { return rows_; }

    // The row of a case (its further columns).
    constexpr const Row& row(Enum e) const { return rows_[static_cast<std::size_t>(e)]; }
    // The raw text; the empty text for a number that is no case.
    constexpr std::string_view raw(Enum e) const {
        const auto i = static_cast<std::size_t>(e);
        return i < N ? rows_[i].raw : std::string_view{};
    }
    // Exact (case-sensitive) match; nothing for any other text.
    constexpr std::optional<Enum> fromRaw(std::string_view text) const { return find(&Row::raw, text); }
    // The first case whose `column` equals `key`.
    template <class Column, class Key>
    constexpr std::optional<Enum> find(Column Row::*column, const Key& key) const {
        for (const auto& r : rows_)
            if (r.*column == key) return r.value;
        return std::nullopt;
    }

    // The case index (its position in declaration order) and back; other numbers give nothing.
    constexpr std::int64_t index(Enum e) const { return static_cast<std::int64_t>(e); }
    constexpr std::optional<Enum> fromIndex(std::int64_t i) const {
        if (i < 0 || i >= static_cast<std::int64_t>(N)) return std::nullopt;
        return rows_[static_cast<std::size_t>(i)].value;
    }

    constexpr std::array<Enum, N> cases() const {
        std::array<Enum, N> out{};
        for (std::size_t i = 0; i < N; ++i) out[i] = rows_[i].value;
        return out;
    }
    constexpr std::array<std::string_view, N> raws() const {
        std::array<std::string_view, N> out{};
        for (std::size_t i = 0; i < N; ++i) out[i] = rows_[i].raw;
        return out;
    }

    // A case is coded in JSON as its raw text, in any JSON flavour.
    template <class BasicJson>
    void toJson(BasicJson& j, Enum e) const {
        j = std::string(raw(e));
    }
    template <class BasicJson>
    void fromJson(const BasicJson& j, Enum& out) const {
        if (!j.is_string())
            throw BasicJson::type_error::create(
                302, std::string(name_) + " must be a string, but is " + j.type_name(), &j);
        const auto found = fromRaw(j.template get_ref<const typename BasicJson::string_t&>());
        if (!found) {
            const std::string message = "unknown " + std::string(name_) + " " + j.dump();
            if (unknown_ == UnknownRawError::typeError302) throw BasicJson::type_error::create(302, message, &j);
            throw BasicJson::other_error::create(501, message, &j);
        }
        out = *found;
    }

private:
    std::string_view name_;
    UnknownRawError unknown_;
    std::array<Row, N> rows_{};
};

template <class T>
using EnumTableRow = std::conditional_t<std::is_enum_v<T>, EnumRow<T>, T>;

// enumTable<Row>(name, {rows…}) or enumTable<Enum>(name, {{case, "raw"}, …}); the row count is
// taken from the list.
template <class T, std::size_t N>
constexpr EnumTable<EnumTableRow<T>, N> enumTable(std::string_view name, const EnumTableRow<T> (&rows)[N],
                                                  UnknownRawError unknown = UnknownRawError::otherError501) {
    return EnumTable<EnumTableRow<T>, N>(name, rows, unknown);
}

}  // namespace morvex

// Declares the JSON coding of an enumeration as its raw text, for nlohmann::json and
// nlohmann::ordered_json, beside the enumeration (in its namespace, so that look-up finds it).
#define MORVEX_DECLARE_ENUM_JSON(E)                              \
    void to_json(nlohmann::json& j, E value);                    \
    void to_json(nlohmann::ordered_json& j, E value);            \
    void from_json(const nlohmann::json& j, E& value);           \
    void from_json(const nlohmann::ordered_json& j, E& value)

// Defines what MORVEX_DECLARE_ENUM_JSON declared, from the enumeration's table; used in a .cpp that
// includes nlohmann/json.hpp, inside the same namespace.
#define MORVEX_DEFINE_ENUM_JSON(E, table)                                                        \
    void to_json(nlohmann::json& j, E value) { (table).toJson(j, value); }                      \
    void to_json(nlohmann::ordered_json& j, E value) { (table).toJson(j, value); }              \
    void from_json(const nlohmann::json& j, E& value) { (table).fromJson(j, value); }           \
    void from_json(const nlohmann::ordered_json& j, E& value) { (table).fromJson(j, value); }   \
    static_assert(true, "")
