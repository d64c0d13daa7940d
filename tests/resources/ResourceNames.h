#pragma once
// What the resource tests share: the list of names the screens need (resources/required-names.txt),
// the names the code asks the bundle for (found by reading the sources), and a checker that says
// what is wrong with a name in a bundle.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Bundle.h"

namespace morvex::test {

enum class NameKind { Key, Image, Color, Animation, Resource };
std::string_view kindName(NameKind kind);

// One entry of the list of required names.
struct RequiredName {
    NameKind kind = NameKind::Key;
    std::string name;
    std::vector<std::string> formats;   // placeholders the code fills, in order
    std::optional<std::string> within;  // key whose text holds this one's
    std::optional<std::string> group;   // texts of one group differ
    bool noComma = false;
    int line = 0;
};
// Throws std::runtime_error naming the line when the list is malformed.
std::vector<RequiredName> readRequiredNames(const std::filesystem::path& file);
std::vector<RequiredName> readRequiredNames();  // the project's list

// A name the code asks for, and where. A prefix is a literal the code extends at run time
// (localized("error." + code)); it resolves when some name begins with it.
struct UsedName {
    NameKind kind = NameKind::Key;
    std::string name;
    bool prefix = false;
    std::string where;  // file:line
};
// Reads every .h and .cpp file under the roots.
std::vector<UsedName> scanSources(const std::vector<std::filesystem::path>& roots);

// The printf-style placeholders of a text, in order ("%@", "%d", "%1$@", "%%", …).
std::vector<std::string> placeholders(std::string_view text);

// A strings table as written, duplicates kept, in file order. Throws when it does not parse.
std::vector<std::pair<std::string, std::string>> readStringsFile(const std::filesystem::path& file);

// The error codes the VPN SDK declares (platform/zevu/ZevuCore.h, namespace ErrorCode).
std::vector<int> sdkErrorCodes();

// The country codes of the VPN SDK's server list.
std::vector<std::string> serverListCountries();

// Checks names against one bundle: texts in every localization of the bundle, the other kinds by
// their accessor. An empty answer means the name resolves.
class BundleChecker {
public:
    explicit BundleChecker(const Bundle& bundle);
    const std::vector<std::string>& languages() const { return languages_; }
    std::vector<std::string> problems(NameKind kind, const std::string& name, bool prefix = false) const;
    // The text of a key in one language, or nothing.
    std::optional<std::string> text(const std::string& language, const std::string& key) const;

private:
    const Bundle& bundle_;
    std::vector<std::string> languages_;
    std::map<std::string, std::map<std::string, std::string>> tables_;  // language -> key -> text
};

}  // namespace morvex::test
