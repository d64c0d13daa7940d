#include "foundation/KeychainFile.h"

#include "foundation/BoundedJson.h"

namespace morvex::keychainfile {

std::expected<nlohmann::json, std::string> parseItems(std::string_view text) {
    auto j = json::parseText(text);
    if (!j) return j;
    if (!j->is_object()) return std::unexpected(std::string("not a JSON object"));
    return j;
}

std::string encodeItems(const nlohmann::json& items) {
    return items.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace morvex::keychainfile
