#include "model/PersonalizeServer.h"

#include <nlohmann/json.hpp>

#include "model/JsonCoding.h"

namespace morvex {

using json = nlohmann::json;

Bytes PersonalizeServerModelTypes::encodeRatings(const Ratings& ratings) {
    json root = json::object();
    for (const auto& [code, entries] : ratings) {
        json list = json::array();
        for (const auto& e : entries) list.push_back({{"identifier", e.identifier}, {"liked", e.liked}});
        root[code] = std::move(list);
    }
    // Text that is not UTF-8 cannot be written as JSON; such bytes become U+FFFD rather than
    // failing the whole write.
    const std::string text = root.dump(-1, ' ', false, json::error_handler_t::replace);
    return Bytes(text.begin(), text.end());
}

std::optional<PersonalizeServerModelTypes::Ratings> PersonalizeServerModelTypes::decodeRatings(const Bytes& data) {
    json root = json::parse(data.begin(), data.end(), nullptr, false);
    if (root.is_discarded() || !root.is_object()) return std::nullopt;
    Ratings out;
    try {
        for (const auto& [code, list] : root.items()) {
            if (!list.is_array()) return std::nullopt;
            auto& entries = out[code];
            for (const auto& e : list) {
                coding::requireObject(e, "rating");
                entries.emplace_back(coding::requiredString(e, "identifier"),
                                     coding::optionalBool(e, "liked").value_or(false));
            }
        }
    } catch (const json::exception&) {
        return std::nullopt;
    }
    return out;
}

}  // namespace morvex
