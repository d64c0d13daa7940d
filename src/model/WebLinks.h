#pragma once
// Links to the service's web pages carry the sending version, platform, campaign tags, the current
// theme and the interface language as query items.
#include <functional>
#include <string>
#include <string_view>

namespace morvex {

// The address with "version", "platform", "utm_medium", "utm_source", "utm_campaign", "theme" and
// "locale" appended after any query it already has; the input unchanged when it is no address.
std::string webLinkWithQueryItems(std::string_view url);

// "dark" or "light", as the shell's appearance reports it.
std::string currentThemeName();
// The shell installs the source of the current theme at start; until then links say "light".
void setCurrentThemeNameProvider(std::function<std::string()> provider);

}  // namespace morvex
