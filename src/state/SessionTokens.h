#pragma once
// Where the session's OAuth token set is kept between runs: keychain items named as the token
// keys ("oem-at", "oem-ate", "oem-rt", "oem-rte", "oem_type"), never the preferences. Numbers are
// kept as their decimal text. The creation time of the tokens ("access_token_created_at") is no
// secret and stays in the standard defaults.
#include <array>
#include <string_view>

#include "foundation/Keychain.h"
#include "foundation/UserDefaults.h"

namespace morvex::sessionTokens {

inline constexpr std::string_view kAccessToken = "oem-at";
inline constexpr std::string_view kAccessTokenExpiry = "oem-ate";
inline constexpr std::string_view kRefreshToken = "oem-rt";
inline constexpr std::string_view kRefreshTokenExpiry = "oem-rte";
inline constexpr std::string_view kTokenType = "oem_type";
inline constexpr std::string_view kCreatedAt = "access_token_created_at";
inline constexpr std::array<std::string_view, 5> kItems = {kAccessToken, kAccessTokenExpiry, kRefreshToken,
                                                           kRefreshTokenExpiry, kTokenType};

// The keychain the items live in (no key prefix).
Keychain keychain();

// Moves copies that earlier versions left in the preferences into the keychain (an item already
// there wins), removes them from the preferences and rewrites the preferences file, so that no
// token stays readable in its journal. Does nothing when there are none.
void movePlainCopies(UserDefaults defaults = UserDefaults::standard(), Keychain items = keychain());

// Removes the token items and the creation time (sign-out).
void remove(UserDefaults defaults = UserDefaults::standard(), Keychain items = keychain());

}  // namespace morvex::sessionTokens
