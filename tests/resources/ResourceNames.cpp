#include "ResourceNames.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "foundation/BundleResources.h"
#include "foundation/Paths.h"

namespace morvex::test {

namespace {

std::string readWhole(const std::filesystem::path& file) {
    auto text = paths::readFile(file);
    if (!text) throw std::runtime_error("cannot read " + file.string());
    return *text;
}

// A C++ or list string literal's content with its escapes (\" and \\) undone.
std::string unescape(std::string_view quoted) {
    std::string out;
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) ++i;
        out += quoted[i];
    }
    return out;
}

const std::string kLiteral = R"re("((?:[^"\\\n]|\\.)*)")re";

int lineOf(const std::string& text, std::size_t offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

std::optional<NameKind> kindFromWord(std::string_view word) {
    if (word == "key") return NameKind::Key;
    if (word == "image") return NameKind::Image;
    if (word == "color") return NameKind::Color;
    if (word == "animation") return NameKind::Animation;
    if (word == "resource") return NameKind::Resource;
    return std::nullopt;
}

// "name.type" or "folder/name.type" as the pieces pathForResource takes.
struct ResourceParts {
    std::string name, type, folder;
};
ResourceParts splitResource(const std::string& resource) {
    ResourceParts p;
    std::string rest = resource;
    if (auto slash = rest.rfind('/'); slash != std::string::npos) {
        p.folder = rest.substr(0, slash);
        rest = rest.substr(slash + 1);
    }
    if (auto dot = rest.rfind('.'); dot != std::string::npos) {
        p.name = rest.substr(0, dot);
        p.type = rest.substr(dot + 1);
    } else {
        p.name = rest;
    }
    return p;
}

}  // namespace

std::string_view kindName(NameKind kind) {
    switch (kind) {
        case NameKind::Key: return "text key";
        case NameKind::Image: return "image";
        case NameKind::Color: return "colour";
        case NameKind::Animation: return "animation";
        case NameKind::Resource: return "resource file";
    }
    return "name";
}

std::vector<RequiredName> readRequiredNames(const std::filesystem::path& file) {
    std::vector<RequiredName> out;
    std::istringstream lines(readWhole(file));
    std::string line;
    int number = 0;
    const std::regex entry("^(\\w+)\\s+" + kLiteral + "((?:\\s+\\S+)*)\\s*$");
    const std::regex attribute(R"re(\s+(?:format=(\S+)|within="((?:[^"\\]|\\.)*)"|group=(\S+)|(nocomma)))re");
    while (std::getline(lines, line)) {
        ++number;
        auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        std::smatch m;
        auto fail = [&](const std::string& why) {
            throw std::runtime_error(file.string() + ":" + std::to_string(number) + ": " + why);
        };
        if (!std::regex_match(line, m, entry)) fail("expected: kind \"name\" [attribute ...]");
        auto kind = kindFromWord(m[1].str());
        if (!kind) fail("unknown kind \"" + m[1].str() + "\"");
        RequiredName r;
        r.kind = *kind;
        r.name = unescape(m[2].str());
        r.line = number;
        std::string attrs = m[3].str();
        std::size_t consumed = 0;
        for (std::sregex_iterator it(attrs.begin(), attrs.end(), attribute), end; it != end; ++it) {
            const auto& a = *it;
            if (static_cast<std::size_t>(a.position()) != consumed) fail("cannot read the attributes");
            consumed = static_cast<std::size_t>(a.position() + a.length());
            if (a[1].matched) {
                r.formats = placeholders(a[1].str());
                if (r.formats.empty()) fail("format= names no placeholder");
            } else if (a[2].matched) {
                r.within = unescape(a[2].str());
            } else if (a[3].matched) {
                r.group = a[3].str();
            } else {
                r.noComma = true;
            }
        }
        if (consumed != attrs.size()) fail("unknown attribute in \"" + attrs + "\"");
        if (r.kind != NameKind::Key && (!r.formats.empty() || r.within || r.group || r.noComma))
            fail("only text keys take attributes");
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<RequiredName> readRequiredNames() {
    return readRequiredNames(std::filesystem::path(MORVEX_RESOURCES_SOURCE_DIR) / "required-names.txt");
}

std::vector<UsedName> scanSources(const std::vector<std::filesystem::path>& roots) {
    struct Call {
        std::regex pattern;
        NameKind kind;
    };
    // A literal followed by "+" is the start of a name built at run time.
    auto call = [](const std::string& functions) {
        return std::regex("\\b(?:" + functions + ")\\s*\\(\\s*" + kLiteral + "\\s*([,)+])");
    };
    const Call calls[] = {
        {call("localized|localizedString|plainLocalizedString"), NameKind::Key},
        {call("imageNamed"), NameKind::Image},
        {call("colorNamed"), NameKind::Color},
        {call("animationNamed"), NameKind::Animation},
    };
    const std::regex resource("\\bpathForResource\\s*\\(\\s*" + kLiteral + "\\s*,\\s*" + kLiteral +
                              "\\s*(?:,\\s*" + kLiteral + "\\s*)?\\)");
    const std::regex table(R"re(\bk\w*?(Keys|ImageNames|ColorNames|AnimationNames)\b[^;{=]*=\s*\{([^}]*)\})re");
    const std::regex literal(kLiteral);

    std::vector<UsedName> out;
    for (const auto& root : roots) {
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            const auto ext = it->path().extension();
            if (it->is_regular_file() && (ext == ".h" || ext == ".cpp")) files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            const std::string text = readWhole(file);
            auto where = [&](std::size_t offset) {
                return std::filesystem::relative(file, root.parent_path()).string() + ":" +
                       std::to_string(lineOf(text, offset));
            };
            for (const auto& c : calls) {
                for (std::sregex_iterator it(text.begin(), text.end(), c.pattern), end; it != end; ++it) {
                    const auto& m = *it;
                    out.push_back(UsedName{c.kind, unescape(m[1].str()), m[2].str() == "+",
                                           where(static_cast<std::size_t>(m.position()))});
                }
            }
            for (std::sregex_iterator it(text.begin(), text.end(), resource), end; it != end; ++it) {
                const auto& m = *it;
                std::string name = unescape(m[1].str());
                if (!m[2].str().empty()) name += "." + unescape(m[2].str());
                if (m[3].matched) name = unescape(m[3].str()) + "/" + name;
                out.push_back(UsedName{NameKind::Resource, name, false, where(static_cast<std::size_t>(m.position()))});
            }
            for (std::sregex_iterator it(text.begin(), text.end(), table), end; it != end; ++it) {
                const auto& m = *it;
                const std::string what = m[1].str();
                const NameKind kind = what == "Keys"         ? NameKind::Key
                                      : what == "ImageNames" ? NameKind::Image
                                      : what == "ColorNames" ? NameKind::Color
                                                             : NameKind::Animation;
                const std::string body = m[2].str();
                for (std::sregex_iterator l(body.begin(), body.end(), literal), lend; l != lend; ++l) {
                    out.push_back(UsedName{kind, unescape((*l)[1].str()), false,
                                           where(static_cast<std::size_t>(m.position(2) + l->position()))});
                }
            }
        }
    }
    return out;
}

std::vector<std::string> placeholders(std::string_view text) {
    static const std::regex placeholder(
        R"re(%(?:\d+\$)?[-+ 0#]*\d*(?:\.\d+)?(?:hh|h|ll|l|q|z|t|j)?[@dDuUxXoOfeEgGcCsSaAp%])re");
    std::vector<std::string> out;
    const std::string s(text);
    for (std::sregex_iterator it(s.begin(), s.end(), placeholder), end; it != end; ++it) out.push_back(it->str());
    return out;
}

std::vector<std::pair<std::string, std::string>> readStringsFile(const std::filesystem::path& file) {
    auto parsed = parseStringsTable(readWhole(file));
    if (!parsed) throw std::runtime_error(file.string() + " is not a strings table");
    return *parsed;
}

std::vector<int> sdkErrorCodes() {
    const std::string header = readWhole(std::filesystem::path(MORVEX_SOURCE_DIR) / "platform/zevu/ZevuCore.h");
    const auto begin = header.find("namespace ErrorCode {");
    const auto end = header.find("}  // namespace ErrorCode", begin);
    if (begin == std::string::npos || end == std::string::npos)
        throw std::runtime_error("ZevuCore.h declares no ErrorCode namespace");
    const std::string block = header.substr(begin, end - begin);
    const std::regex code(R"re(constexpr\s+int\s+\w+\s*=\s*(-?\d+)\s*;)re");
    std::vector<int> out;
    for (std::sregex_iterator it(block.begin(), block.end(), code), e; it != e; ++it)
        out.push_back(std::stoi((*it)[1].str()));
    return out;
}

std::vector<std::string> serverListCountries() {
    const auto file = std::filesystem::path(MORVEX_SOURCE_DIR) / "platform/zevu/resources/servers.json";
    auto json = nlohmann::json::parse(readWhole(file));
    std::vector<std::string> out;
    for (const auto& country : json.at("countries")) out.push_back(country.at("country").get<std::string>());
    return out;
}

BundleChecker::BundleChecker(const Bundle& bundle) : bundle_(bundle), languages_(bundle.localizations()) {
    for (const auto& language : languages_) {
        auto& table = tables_[language];
        const auto file = bundle.resourcePath() / (language + ".lproj") / "Localizable.strings";
        if (auto text = paths::readFile(file)) {
            if (auto parsed = parseStringsTable(*text)) {
                for (auto& [k, v] : *parsed) table.emplace(k, v);
            }
        }
    }
}

std::optional<std::string> BundleChecker::text(const std::string& language, const std::string& key) const {
    auto t = tables_.find(language);
    if (t == tables_.end()) return std::nullopt;
    auto it = t->second.find(key);
    if (it == t->second.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> BundleChecker::problems(NameKind kind, const std::string& name, bool prefix) const {
    std::vector<std::string> out;
    const std::string shown = std::string(kindName(kind)) + (prefix ? " starting with \"" : " \"") + name + "\"";
    switch (kind) {
        case NameKind::Key:
            if (languages_.empty()) out.push_back(shown + ": the bundle has no languages");
            for (const auto& language : languages_) {
                const auto& table = tables_.at(language);
                if (prefix) {
                    const bool any = std::any_of(table.begin(), table.end(),
                                                 [&](const auto& kv) { return kv.first.starts_with(name) && kv.first != name; });
                    if (!any) out.push_back(shown + ": no such key in " + language);
                    continue;
                }
                auto it = table.find(name);
                if (it == table.end()) out.push_back(shown + ": missing in " + language);
                else if (it->second.empty() && !name.empty()) out.push_back(shown + ": empty text in " + language);
            }
            break;
        case NameKind::Image:
            if (prefix) {
                std::error_code ec;
                bool any = false;
                for (const auto& e : std::filesystem::directory_iterator(bundle_.resourcePath() / "Images", ec))
                    any = any || e.path().filename().string().starts_with(name);
                if (!any) out.push_back(shown + ": no such image");
            } else if (!imageNamed(name, bundle_)) {
                out.push_back(shown + ": no image");
            }
            break;
        case NameKind::Color:
            if (!colorNamed(name, bundle_)) out.push_back(shown + ": not in the colour table");
            break;
        case NameKind::Animation:
            if (!animationNamed(name, bundle_)) out.push_back(shown + ": no animation");
            break;
        case NameKind::Resource: {
            auto parts = splitResource(name);
            if (!bundle_.pathForResource(parts.name, parts.type, parts.folder)) out.push_back(shown + ": not in the bundle");
            break;
        }
    }
    return out;
}

}  // namespace morvex::test
