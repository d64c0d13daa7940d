#pragma once
// The language chosen inside the application (English or German), independent of the system's.
// The code is kept in the standard defaults; the main bundle's lookups follow it from launch on,
// and every change is announced with "languageDidChangeNotification" ({"language": code}).
#include <string>
#include <string_view>

namespace morvex {

inline constexpr std::string_view languageDidChangeNotification = "languageDidChangeNotification";

class LanguageManager {
public:
    static LanguageManager& shared();
    // Applies the stored language to the main bundle (what the shared instance does on creation).
    LanguageManager();

    const std::string defaultsKey = "SelectedAppLanguage";

    // The stored code; "de" when none is stored.
    std::string currentLanguage() const;
    // Takes a language identifier ("en", "en-GB"); its part before the first "-" is the code.
    void setCurrentLanguage(std::string_view identifier);
};

}  // namespace morvex
