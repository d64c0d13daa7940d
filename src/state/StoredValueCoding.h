#pragma once
// How records are kept in UserDefaults, so that every writer and reader of a key agrees:
// - one record: a Data value holding its JSON text;
// - a list of records: an array whose elements are Data values, one JSON text per record, in order.
// Each call makes its own encoder and decoder, so these run on any thread. Nothing reports an error:
// undecodable data reads as none (a record) or as a shorter list (a list).
#include <optional>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/UserDefaults.h"

namespace morvex {

namespace stored {

// The JSON text of a record (keys in the order its to_json writes them); nothing when the record
// cannot be encoded (for instance text that is not UTF-8).
template <class T>
std::optional<Bytes> encodeJSON(const T& value) {
    try {
        nlohmann::ordered_json j = value;
        std::string text = j.dump();
        return Bytes(text.begin(), text.end());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// The record that a JSON text holds; nothing when the text is no JSON or does not decode as T.
template <class T>
std::optional<T> decodeJSON(const Bytes& data) {
    auto j = nlohmann::json::parse(data.begin(), data.end(), nullptr, false);
    if (j.is_discarded()) return std::nullopt;
    try {
        return j.template get<T>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// Reports a list element that could not be stored.
void reportUnencodableElement(std::string_view key, std::size_t index);

}  // namespace stored

// The record stored under `key`; none when the key is absent, holds no Data, or does not decode.
template <class T>
std::optional<T> decodable(const UserDefaults& defaults, std::string_view key) {
    auto data = defaults.data(key);
    if (!data) return std::nullopt;
    return stored::decodeJSON<T>(*data);
}

// Stores the JSON of the value; none stores the JSON text null, which reads back as none. When the
// value cannot be encoded the key is removed.
template <class T>
void setEncodable(UserDefaults& defaults, const std::optional<T>& value, std::string_view key) {
    std::optional<Bytes> data;
    if (value) {
        data = stored::encodeJSON(*value);
    } else {
        static constexpr std::string_view kNull = "null";
        data = Bytes(kNull.begin(), kNull.end());
    }
    if (data) defaults.set(Value(std::move(*data)), key);
    else defaults.removeObject(key);
}

// The list stored under `key`: none when the key is absent, holds no array, or any element is not
// Data; otherwise the elements that decode, in order (possibly none).
template <class T>
std::optional<std::vector<T>> decodableArray(const UserDefaults& defaults, std::string_view key) {
    auto array = defaults.array(key);
    if (!array) return std::nullopt;
    for (const auto& element : *array)
        if (!element.is<Bytes>()) return std::nullopt;
    std::vector<T> out;
    out.reserve(array->size());
    for (const auto& element : *array)
        if (auto record = stored::decodeJSON<T>(*element.get<Bytes>())) out.push_back(std::move(*record));
    return out;
}

// None removes the key; otherwise stores one Data element per record, in order. A record that cannot
// be encoded is left out (and reported) rather than failing the rest of the list.
template <class T>
void setEncodableArray(UserDefaults& defaults, const std::optional<std::vector<T>>& values, std::string_view key) {
    if (!values) {
        defaults.removeObject(key);
        return;
    }
    Array array;
    array.reserve(values->size());
    for (std::size_t i = 0; i < values->size(); ++i) {
        if (auto data = stored::encodeJSON((*values)[i])) array.emplace_back(std::move(*data));
        else stored::reportUnencodableElement(key, i);
    }
    defaults.set(Value(std::move(array)), key);
}

}  // namespace morvex
