#include "catalog/CountryNames.h"

#include <cctype>

#include "foundation/Bundle.h"

namespace morvex {

std::string countryDisplayName(std::string_view code, std::string_view fallback) {
    std::string key = "country.";
    for (char c : code) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (code.size() != 2) return std::string(fallback);
    // The lookup answers the key itself when no table has it.
    std::string name = Bundle::main().localizedString(key);
    return name.empty() || name == key ? std::string(fallback) : name;
}

}  // namespace morvex
