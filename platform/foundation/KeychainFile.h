#pragma once
// The keychain's file store format, apart from the file: one JSON object that maps each full item
// name to the item's bytes in base64. Reading never throws and refuses a document nested deeper than
// the file readers' bound, as any document that is not an object.
#include <expected>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace morvex::keychainfile {

std::expected<nlohmann::json, std::string> parseItems(std::string_view text);
std::string encodeItems(const nlohmann::json& items);

}  // namespace morvex::keychainfile
