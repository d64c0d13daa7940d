#pragma once
// The session's OAuth token set as the decrypted sign-in and refresh answers carry it.
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace morvex {

// The token set as the decrypted sign-in and refresh answers carry it.
struct AuthObject {
    std::optional<std::string> accessToken;   // "oem-at"
    std::optional<std::string> refreshToken;  // "oem-rt"
    std::optional<std::string> tokenType;     // "oem-type"
    std::optional<std::int64_t> accessTokenExpiry;     // "oem-ate"
    std::optional<std::int64_t> refreshTokenExpiry;    // "oem-rte"
    std::optional<std::string> customerId;    // "customer_id"
    friend bool operator==(const AuthObject&, const AuthObject&) = default;
};
void from_json(const nlohmann::json& j, AuthObject& a);
// Writes the present fields only, in the order above (into nlohmann::ordered_json; nlohmann::json
// sorts its keys).
void to_json(nlohmann::json& j, const AuthObject& a);
void to_json(nlohmann::ordered_json& j, const AuthObject& a);

}  // namespace morvex
