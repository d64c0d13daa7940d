#pragma once
// Country names in the user's language: the strings tables hold one per country of the server
// list ("country.<ISO code>"); a country they do not know keeps the name it came with.
#include <string>
#include <string_view>

namespace morvex {

// The name of the country with this ISO code (either case), or `fallback` when the tables have none.
std::string countryDisplayName(std::string_view code, std::string_view fallback);

}  // namespace morvex
