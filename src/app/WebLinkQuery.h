#pragma once
// Decorates a web address with the query items the service's web site expects from the
// application: "version", "platform", "utm_medium", "utm_source", "utm_campaign", "theme" and
// "locale", appended after any items the address already has.
#include <functional>
#include <string>
#include <string_view>

namespace morvex {

std::string webLinkWithQueryItems(std::string_view address);

// Where "theme" comes from: true for the dark appearance. Until the shell installs its appearance
// source, links say "light".
void setWebLinkDarkAppearanceSource(std::function<bool()> isDark);

}  // namespace morvex
