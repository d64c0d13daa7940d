#pragma once
// How each type of stored setting (state/StoredSetting.h) is kept in UserDefaults, and the reads
// and writes the store classes' generated accessors come down to. For .cpp files only.
//
// A read never fails: an absent key, or a value of another kind, reads as the setting's default.
// Setting text, a date or a list of text to none removes the key; a record's none (a location's
// null) is stored as the JSON null, as setEncodable does.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "model/ServerRecord.h"
#include "model/VPNProtocol.h"
#include "state/StoredServers.h"
#include "state/StoredSetting.h"
#include "state/StoredValueCoding.h"

namespace morvex {

// StoredForm<T>::read(defaults, key, defaultValue) -> T and ::write(defaults, key, value).
template <class T>
struct StoredForm;

// Flags, numbers and text read with UserDefaults' lenient conversions (numeric text is a number,
// a number written out is text).
template <>
struct StoredForm<bool> {
    static bool read(const UserDefaults& d, std::string_view key, bool defaultValue) {
        auto v = d.object(key);
        return v ? v->toBool() : defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, bool value) { d.set(Value(value), key); }
};

template <>
struct StoredForm<std::int64_t> {
    static std::int64_t read(const UserDefaults& d, std::string_view key, std::int64_t defaultValue) {
        auto v = d.object(key);
        return v ? v->toInteger() : defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, std::int64_t value) { d.set(Value(value), key); }
};

template <>
struct StoredForm<double> {
    static double read(const UserDefaults& d, std::string_view key, double defaultValue) {
        auto v = d.object(key);
        return v ? v->toDouble() : defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, double value) { d.set(Value(value), key); }
};

template <>
struct StoredForm<std::optional<std::string>> {
    static std::optional<std::string> read(const UserDefaults& d, std::string_view key,
                                           const std::optional<std::string>& defaultValue) {
        if (auto v = d.object(key))
            if (auto text = v->toText()) return text;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const std::optional<std::string>& value) {
        d.setString(value, key);
    }
};

// A Date value only.
template <>
struct StoredForm<std::optional<Date>> {
    static std::optional<Date> read(const UserDefaults& d, std::string_view key,
                                    const std::optional<Date>& defaultValue) {
        if (auto date = d.date(key)) return date;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const std::optional<Date>& value) {
        if (value) d.set(Value(*value), key);
        else d.removeObject(key);
    }
};

// An array of text elements only.
template <>
struct StoredForm<std::optional<std::vector<std::string>>> {
    static std::optional<std::vector<std::string>> read(const UserDefaults& d, std::string_view key,
                                                        const std::optional<std::vector<std::string>>& defaultValue) {
        if (auto strings = d.stringArray(key)) return strings;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const std::optional<std::vector<std::string>>& value) {
        if (value) d.set(Value(*value), key);
        else d.removeObject(key);
    }
};

// A protocol is kept as its case index; only a stored integer that is an index counts.
template <>
struct StoredForm<VPNProtocol> {
    static VPNProtocol read(const UserDefaults& d, std::string_view key, VPNProtocol defaultValue) {
        auto v = d.object(key);
        if (v && v->kind() == Value::Kind::Integer)
            if (auto p = vpnProtocolFromIndex(*v->get<std::int64_t>())) return *p;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, VPNProtocol value) { d.set(Value(caseIndex(value)), key); }
};

// A location: its JSON record as Data (state/StoredServers.h); null is stored as the JSON null.
template <>
struct StoredForm<ZevuDataFetcherTypes::ServerPtr> {
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    static ServerPtr read(const UserDefaults& d, std::string_view key, const ServerPtr& defaultValue) {
        if (auto server = decodedServer(d, key)) return server;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const ServerPtr& value) { setEncodedServer(d, value, key); }
};

// Any other optional is a JSON record kept as Data, and an optional list of them an array of such
// Data values (state/StoredValueCoding.h).
template <class R>
struct StoredForm<std::optional<R>> {
    static std::optional<R> read(const UserDefaults& d, std::string_view key, const std::optional<R>& defaultValue) {
        if (auto record = decodable<R>(d, key)) return record;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const std::optional<R>& value) {
        setEncodable(d, value, key);
    }
};

template <class R>
struct StoredForm<std::optional<std::vector<R>>> {
    static std::optional<std::vector<R>> read(const UserDefaults& d, std::string_view key,
                                              const std::optional<std::vector<R>>& defaultValue) {
        if (auto records = decodableArray<R>(d, key)) return records;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const std::optional<std::vector<R>>& value) {
        setEncodableArray(d, value, key);
    }
};

// A record that always has a value: its JSON as Data, the default when absent or undecodable. A .cpp
// gives a record this form with `template <> struct StoredForm<R> : StoredAsRecord<R> {};`.
template <class R>
struct StoredAsRecord {
    static R read(const UserDefaults& d, std::string_view key, const R& defaultValue) {
        if (auto record = decodable<R>(d, key)) return *record;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, const R& value) {
        setEncodable(d, std::optional<R>(value), key);
    }
};

// An enumeration kept as its raw text, from its EnumTable (model/EnumTable.h). A .cpp gives its
// enumeration this form with `template <> struct StoredForm<E> : StoredAsRawText<kTable> {};`.
template <const auto& table>
struct StoredAsRawText {
    using Enum = typename std::remove_cvref_t<decltype(table)>::Enum;
    static Enum read(const UserDefaults& d, std::string_view key, Enum defaultValue) {
        auto v = d.object(key);
        if (v && v->is<std::string>())
            if (auto e = table.fromRaw(*v->get<std::string>())) return *e;
        return defaultValue;
    }
    static void write(UserDefaults& d, std::string_view key, Enum value) { d.set(Value(table.raw(value)), key); }
};

template <class T>
T readStored(UserDefaults& defaults, std::string_view key, const StoredSetting<T>& setting) {
    if constexpr (std::is_same_v<T, bool>) {
        if (setting.firstRead == FirstRead::storeDefault)
            return defaults.setIfAbsent(Value(setting.defaultValue), key).toBool();
    }
    return StoredForm<T>::read(defaults, key, setting.defaultValue);
}

template <class T>
void writeStored(UserDefaults& defaults, std::string_view key, const StoredSetting<T>& setting,
                 SettingParam<T> value) {
    StoredForm<T>::write(defaults, key, value);
    if (!setting.postedOnSet.empty()) NotificationCenter::defaultCenter().post(setting.postedOnSet, T(value));
}

}  // namespace morvex
