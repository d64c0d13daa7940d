#pragma once
// A program's bundle directory: Info values (Resources/Info.json), resources by name and type,
// and localized strings from Resources/<code>.lproj/<table>.strings.
//
// Layout:  <bundle>/bin/<programs>   <bundle>/Resources/...
// The main bundle is the parent of the running program's directory, unless set explicitly.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace morvex {

class Bundle {
public:
    static Bundle& main();
    // Points the main bundle elsewhere (tests, and programs started outside their bundle).
    static void setMainBundlePath(const std::filesystem::path& path);

    explicit Bundle(std::filesystem::path bundlePath);

    const std::filesystem::path& bundlePath() const { return path_; }
    std::filesystem::path resourcePath() const { return path_ / "Resources"; }
    std::filesystem::path executableDirectory() const { return path_ / "bin"; }

    // Info values.
    const Dictionary& infoDictionary() const;
    std::optional<Value> object(std::string_view infoKey) const;
    std::optional<std::string> string(std::string_view infoKey) const;
    std::optional<std::string> bundleIdentifier() const;  // "Application Bundle identifier"

    // A resource file by name and type (extension, without the point), looked up first in the
    // resources folder, then in the localization folders; nothing when there is none.
    std::optional<std::filesystem::path> pathForResource(std::string_view name, std::string_view type,
                                                         std::string_view subdirectory = {}) const;

    // The localization codes that have a <code>.lproj folder, sorted.
    std::vector<std::string> localizations() const;
    // The localization used for lookups: the one chosen with setLocalization, else the first of
    // the user's languages (LANGUAGE, LANG) that the bundle has, else "en".
    std::string preferredLocalization() const;
    void setLocalization(std::optional<std::string> code);

    // The string for key in table. Once the main bundle follows the in-app language (setLanguage),
    // its lookups go through PrivateBundle; otherwise, and as PrivateBundle's fallback, the plain
    // lookup: the preferred localization, then "en", then `value` when not empty, else the key.
    std::string localizedString(std::string_view key, std::string_view value = {},
                                std::string_view table = "Localizable") const;
    std::string plainLocalizedString(std::string_view key, std::string_view value = {},
                                     std::string_view table = "Localizable") const;

    // The in-app language: makes the main bundle's lookups follow a language code chosen inside the
    // application (switched once per process) and attaches the code to the main bundle.
    static void setLanguage(std::string_view code);
    // The code attached to this bundle by setLanguage; nothing before the first call.
    std::optional<std::string> languageOverride() const;
    void setLanguageOverride(std::optional<std::string> code);
    // True once setLanguage has switched the main bundle's lookups (for the rest of the process).
    static bool mainFollowsLanguageOverride();
    // The same for one named localization, without the fallbacks to other languages.
    std::optional<std::string> lookup(std::string_view code, std::string_view key,
                                      std::string_view table = "Localizable") const;

private:
    std::filesystem::path path_;
    struct State;
    std::shared_ptr<State> state_;
};

// The lookup that the main bundle follows after Bundle::setLanguage: it answers from the folder
// "<override>.lproj" and falls back to the plain lookup when there is no override, no such folder
// or the folder cannot be opened. Every step is written to the console.
struct PrivateBundle {
    static std::string localizedString(const Bundle& bundle, std::string_view key, std::string_view value,
                                       std::string_view table);
};

// Parses the text of a .strings table ("key" = "value"; with comments and escapes).
// Nothing for text that is not such a table.
std::optional<std::vector<std::pair<std::string, std::string>>> parseStringsTable(std::string_view text);

// The localized string of the main bundle.
inline std::string localized(std::string_view key) { return Bundle::main().localizedString(key); }

}  // namespace morvex
