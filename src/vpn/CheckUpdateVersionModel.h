#pragma once
// The service's answer to the latest-version request: which version is current for this platform,
// its release notes and, when the service offers one, the installer's address.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace morvex {

struct CheckUpdateVersionModel {
    static constexpr bool emptyObjectRepresentable = true;

    std::string device;
    std::string version;
    std::string release_note_url;
    // An absent key and null both read as none; writing leaves the key out.
    std::optional<std::string> download_url;

    friend bool operator==(const CheckUpdateVersionModel&, const CheckUpdateVersionModel&) = default;
};

// The three texts are required (a missing key or another type fails the whole answer); other keys
// are ignored.
void from_json(const nlohmann::json& j, CheckUpdateVersionModel& m);
void to_json(nlohmann::json& j, const CheckUpdateVersionModel& m);
void to_json(nlohmann::ordered_json& j, const CheckUpdateVersionModel& m);

}  // namespace morvex
