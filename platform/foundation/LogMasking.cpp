#include "foundation/LogMasking.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <nlohmann/json.hpp>

namespace morvex::log {

namespace {

bool isSecretName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "response_code") return false;
    static constexpr std::string_view words[] = {"token", "code", "pass", "secret", "key", "verifier", "cookie", "session",
                                                 "mail", "user", "name", "phone", "uuid", "auth", "state"};
    return std::any_of(std::begin(words), std::end(words), [&](std::string_view w) { return name.find(w) != std::string::npos; });
}

void mask(nlohmann::json& value) {
    if (value.is_object()) {
        for (auto& [key, item] : value.items()) {
            if (isSecretName(key) && !item.is_null()) item = "<masked>";
            else mask(item);
        }
    } else if (value.is_array()) {
        for (auto& item : value) mask(item);
    } else if (value.is_string() && value.get_ref<const std::string&>().find('@') != std::string::npos) {
        value = "<masked>";
    }
}

}  // namespace

bool bodiesShown() {
    const char* value = std::getenv("MORVEX_LOG_BODIES");
    return value && std::string_view(value) == "1";
}

std::optional<std::string> maskedJSON(std::string_view text) {
    auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    mask(json);
    return json.dump();
}

std::string describeBody(std::string_view body) {
    if (bodiesShown())
        if (auto masked = maskedJSON(body)) return *masked;
    return std::to_string(body.size()) + " bytes";
}

}  // namespace morvex::log
