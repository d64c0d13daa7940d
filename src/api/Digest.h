#pragma once
// MD5 of a text as 32 lower-case hex characters, for the "Token" header.
// Stand-in until the crypto helpers' md5Hex is available; same contract.
#include <string>
#include <string_view>

namespace morvex::api_detail {
std::string md5Hex(std::string_view text);
}
