#pragma once
// One field table per record: each JSON key beside the member it codes and how it is read, in one
// row, so that a key is written once. The record's to_json and from_json are derived from the
// table, as EnumTable derives an enumeration's coding from its rows.
//
//   constexpr auto kGatewayFields = coding::fieldTable(
//       coding::required("name", &PaymentGateway::name),
//       coding::optional("subscription_id", &PaymentGateway::subscriptionId),
//       coding::lenient("referral_link", &PaymentGateway::link));
//   void from_json(const nlohmann::json& j, PaymentGateway& v) { kGatewayFields.decode(j, v); }
//   void to_json(nlohmann::json& j, const PaymentGateway& v) { kGatewayFields.encode(j, v); }
//
// Reading follows JsonCoding.h: `required` must be present with a value of the member's type;
// `optional` (a std::optional member) may be missing or null, and fails on another type; `lenient`
// reads anything it cannot use as absent; `orElse` is `required` except that a missing or null key
// takes the row's fallback; `custom` reads the key with the row's own reader (a value the wire
// carries in more than one form). Rows are read and written in table order, so the order
// fixes which failure is reported first and the key order of an ordered_json. Writing puts every
// member, an absent optional one not at all.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/JsonCoding.h"

namespace morvex::coding {

enum class Read : std::uint8_t { required, optional, lenient, orElse, custom };

template <class Record, class Member>
struct Field {
    const char* key;
    Member Record::*member;
    Read read;
    Member (*fallback)() = nullptr;                                   // orElse
    Member (*reader)(const nlohmann::json&, const char*) = nullptr;  // custom
};

template <class Record, class Member>
constexpr Field<Record, Member> required(const char* key, Member Record::*member) {
    return {key, member, Read::required};
}
template <class Record, class Member>
constexpr Field<Record, std::optional<Member>> optional(const char* key, std::optional<Member> Record::*member) {
    return {key, member, Read::optional};
}
template <class Record, class Member>
constexpr Field<Record, std::optional<Member>> lenient(const char* key, std::optional<Member> Record::*member) {
    return {key, member, Read::lenient};
}

template <class Record, class Member>
constexpr Field<Record, Member> orElse(const char* key, Member Record::*member, Member (*fallback)()) {
    return {key, member, Read::orElse, fallback, nullptr};
}
template <class Record, class Member>
constexpr Field<Record, Member> custom(const char* key, Member Record::*member,
                                       Member (*reader)(const nlohmann::json& object, const char* key)) {
    return {key, member, Read::custom, nullptr, reader};
}

namespace detail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};
template <class T>
struct IsVector : std::false_type {};
template <class T, class A>
struct IsVector<std::vector<T, A>> : std::true_type {};

template <class T>
constexpr bool isInteger = std::is_integral_v<T> && !std::is_same_v<T, bool>;

template <class T>
T readRequired(const nlohmann::json& object, const char* key) {
    if constexpr (std::is_same_v<T, std::string>) {
        return requiredString(object, key);
    } else if constexpr (std::is_same_v<T, bool>) {
        return requiredBool(object, key);
    } else if constexpr (isInteger<T>) {
        return static_cast<T>(requiredInteger(object, key));
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(requiredNumber(object, key));
    } else if constexpr (IsVector<T>::value) {
        const auto* value = member(object, key);
        if (!value) throwMissingKey(key);
        if (!value->is_array()) throwWrongType(key, "array", *value);
        T out;
        out.reserve(value->size());
        for (const auto& element : *value) out.push_back(element.template get<typename T::value_type>());
        return out;
    } else {
        const auto* value = member(object, key);
        if (!value) throwMissingKey(key);
        return value->template get<T>();
    }
}

template <class T>
std::optional<T> readOptional(const nlohmann::json& object, const char* key) {
    if constexpr (std::is_same_v<T, std::string>) {
        return optionalString(object, key);
    } else if constexpr (std::is_same_v<T, bool>) {
        return optionalBool(object, key);
    } else if constexpr (isInteger<T>) {
        auto n = optionalInteger(object, key);
        return n ? std::optional<T>(static_cast<T>(*n)) : std::nullopt;
    } else {
        const auto* value = member(object, key);
        if (!value || value->is_null()) return std::nullopt;
        return value->template get<T>();
    }
}

template <class T>
std::optional<T> readLenient(const nlohmann::json& object, const char* key) {
    if constexpr (std::is_same_v<T, std::string>) {
        return lenientString(object, key);
    } else if constexpr (std::is_same_v<T, bool>) {
        return lenientBool(object, key);
    } else if constexpr (isInteger<T>) {
        auto n = lenientInteger(object, key);
        return n ? std::optional<T>(static_cast<T>(*n)) : std::nullopt;
    } else if constexpr (IsVector<T>::value) {
        return lenientList<typename T::value_type>(object, key);
    } else {
        return lenientRecord<T>(object, key);
    }
}

}  // namespace detail

template <class Record, class... Members>
class FieldTable {
public:
    static constexpr std::size_t size = sizeof...(Members);

    constexpr explicit FieldTable(Field<Record, Members>... fields) : fields_(fields...) {}

    // Every row's key into `j` (an object), in table order.
    template <class Json>
    void encode(Json& j, const Record& record) const {
        j = Json::object();
        std::apply([&](const auto&... field) { (put(j, record, field), ...); }, fields_);
    }
    // Every row from `j`, in table order; the first failure throws (a nlohmann::json exception
    // that names the key).
    void decode(const nlohmann::json& j, Record& record) const {
        std::apply([&](const auto&... field) { (take(j, record, field), ...); }, fields_);
    }
    // The same after checking that `j` is an object; `what` names the record in the error.
    void decode(const nlohmann::json& j, Record& record, const char* what) const {
        requireObject(j, what);
        decode(j, record);
    }
    // The keys in table order.
    std::vector<std::string> keys() const {
        std::vector<std::string> out;
        std::apply([&](const auto&... field) { (out.emplace_back(field.key), ...); }, fields_);
        return out;
    }

private:
    template <class Json, class Member>
    static void put(Json& j, const Record& record, const Field<Record, Member>& field) {
        const Member& value = record.*field.member;
        if constexpr (detail::IsOptional<Member>::value) {
            if (value) j[field.key] = *value;
        } else {
            j[field.key] = value;
        }
    }
    template <class Member>
    static void take(const nlohmann::json& j, Record& record, const Field<Record, Member>& field) {
        Member& target = record.*field.member;
        if (field.read == Read::custom) {
            target = field.reader(j, field.key);
        } else if constexpr (detail::IsOptional<Member>::value) {
            using Inner = typename Member::value_type;
            target = field.read == Read::lenient ? detail::readLenient<Inner>(j, field.key)
                     : field.read == Read::optional ? detail::readOptional<Inner>(j, field.key)
                                                    : Member(detail::readRequired<Inner>(j, field.key));
        } else if (field.read == Read::orElse) {
            const auto* value = member(j, field.key);
            target = value && !value->is_null() ? value->template get<Member>() : field.fallback();
        } else {
            target = detail::readRequired<Member>(j, field.key);
        }
    }

    std::tuple<Field<Record, Members>...> fields_;
};

template <class Record, class... Members>
constexpr FieldTable<Record, Members...> fieldTable(Field<Record, Members>... fields) {
    return FieldTable<Record, Members...>(fields...);
}

}  // namespace morvex::coding
