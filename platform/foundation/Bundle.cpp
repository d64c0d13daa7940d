#include "foundation/Bundle.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace morvex {

namespace {


// Four hex digits at text[at], or nothing when they are not there.
std::optional<unsigned> hex4(std::string_view text, std::size_t at) {
    if (at + 4 > text.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
        const char c = text[k];
        unsigned digit = 0;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Reads a quoted string starting at text[i] == '"'; advances i past the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& i) {
    std::string out;
    ++i;
    while (i < text.size()) {
        char c = text[i++];
        if (c == '"') return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= text.size()) return std::nullopt;
        char e = text[i++];
        switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '0': out += '\0'; break;
            case 'U':
            case 'u': {
                auto cp = hex4(text, i);
                if (!cp) return std::nullopt;
                i += 4;
                if (*cp >= 0xD800 && *cp <= 0xDBFF) {
                    // A high surrogate must be followed by an escaped low one.
                    if (i + 6 > text.size() || text[i] != '\\' || (text[i + 1] != 'u' && text[i + 1] != 'U'))
                        return std::nullopt;
                    auto lo = hex4(text, i + 2);
                    if (!lo || *lo < 0xDC00 || *lo > 0xDFFF) return std::nullopt;
                    i += 6;
                    cp = 0x10000 + ((*cp - 0xD800) << 10) + (*lo - 0xDC00);
                } else if (*cp >= 0xDC00 && *cp <= 0xDFFF) {
                    return std::nullopt;  // a low surrogate on its own
                }
                appendUtf8(out, *cp);
                break;
            }
            default: out += e; break;  // \" \\ \' and anything else stand for themselves
        }
    }
    return std::nullopt;
}

void skipBlanksAndComments(std::string_view text, std::size_t& i) {
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
        } else if (text.substr(i, 2) == "/*") {
            auto end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? text.size() : end + 2;
        } else if (text.substr(i, 2) == "//") {
            auto end = text.find('\n', i);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            break;
        }
    }
}

std::string normalizeCode(std::string code) {
    // "de_DE.UTF-8" -> "de-DE"; "C" and "POSIX" mean no language.
    if (auto dot = code.find('.'); dot != std::string::npos) code.resize(dot);
    if (auto at = code.find('@'); at != std::string::npos) code.resize(at);
    std::replace(code.begin(), code.end(), '_', '-');
    if (code == "C" || code == "POSIX") return {};
    return code;
}

std::mutex g_mainMutex;
std::unique_ptr<Bundle> g_main;
std::atomic<bool> g_mainSwitched{false};

bool isMain(const Bundle* b) {
    std::lock_guard lock(g_mainMutex);
    return g_main.get() == b;
}

}  // namespace

std::optional<std::vector<std::pair<std::string, std::string>>> parseStringsTable(std::string_view text) {
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF) text.remove_prefix(3);  // BOM
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t i = 0;
    for (;;) {
        skipBlanksAndComments(text, i);
        if (i >= text.size()) return out;
        if (text[i] != '"') return std::nullopt;
        auto key = readQuoted(text, i);
        if (!key) return std::nullopt;
        skipBlanksAndComments(text, i);
        if (i >= text.size() || text[i] != '=') return std::nullopt;
        ++i;
        skipBlanksAndComments(text, i);
        if (i >= text.size() || text[i] != '"') return std::nullopt;
        auto value = readQuoted(text, i);
        if (!value) return std::nullopt;
        skipBlanksAndComments(text, i);
        if (i >= text.size() || text[i] != ';') return std::nullopt;
        ++i;
        out.emplace_back(std::move(*key), std::move(*value));
    }
}

struct Bundle::State {
    std::mutex mutex;
    std::optional<Dictionary> info;
    std::optional<std::string> localization;
    std::optional<std::string> languageOverride;
    // "<code>/<table>" -> table (empty map when the file is missing or unreadable)
    std::map<std::string, std::map<std::string, std::string>, std::less<>> tables;
};

Bundle& Bundle::main() {
    std::lock_guard lock(g_mainMutex);
    if (!g_main) {
        std::filesystem::path path;
        if (const char* env = std::getenv("MORVEX_BUNDLE_PATH"); env && *env) path = env;
        else path = paths::executableDirectory().parent_path();
        g_main = std::make_unique<Bundle>(path);
    }
    return *g_main;
}

void Bundle::setMainBundlePath(const std::filesystem::path& path) {
    std::lock_guard lock(g_mainMutex);
    g_main = std::make_unique<Bundle>(path);
}

Bundle::Bundle(std::filesystem::path bundlePath) : path_(std::move(bundlePath)), state_(std::make_shared<State>()) {}

const Dictionary& Bundle::infoDictionary() const {
    std::lock_guard lock(state_->mutex);
    if (!state_->info) {
        state_->info.emplace();
        const auto file = resourcePath() / "Info.json";
        if (auto text = paths::readFile(file)) {
            if (auto info = dictionaryFromJsonText(*text)) {
                state_->info = std::move(*info);
            } else {
                log::nslog("Bundle: " + file.string() + " is damaged (" + info.error() + "); no Info values are read from it");
            }
        }
    }
    return *state_->info;
}

std::optional<Value> Bundle::object(std::string_view infoKey) const {
    const auto& info = infoDictionary();
    auto it = info.find(std::string(infoKey));
    if (it == info.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> Bundle::string(std::string_view infoKey) const {
    auto v = object(infoKey);
    if (!v || !v->is<std::string>()) return std::nullopt;
    return *v->get<std::string>();
}

std::optional<std::string> Bundle::bundleIdentifier() const { return string("Application Bundle identifier"); }

std::optional<std::filesystem::path> Bundle::pathForResource(std::string_view name, std::string_view type,
                                                             std::string_view subdirectory) const {
    std::string file(name);
    if (!type.empty()) file += "." + std::string(type);
    std::error_code ec;
    auto base = resourcePath();
    if (!subdirectory.empty()) base /= subdirectory;
    if (std::filesystem::is_regular_file(base / file, ec)) return base / file;
    for (const auto& code : {preferredLocalization(), std::string("en")}) {
        auto p = resourcePath() / (code + ".lproj");
        if (!subdirectory.empty()) p /= subdirectory;
        if (std::filesystem::is_regular_file(p / file, ec)) return p / file;
    }
    return std::nullopt;
}

std::vector<std::string> Bundle::localizations() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(resourcePath(), ec)) {
        auto name = entry.path().filename().string();
        if (entry.is_directory() && name.size() > 6 && name.ends_with(".lproj"))
            out.push_back(name.substr(0, name.size() - 6));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string Bundle::preferredLocalization() const {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->localization) return *state_->localization;
    }
    auto available = localizations();
    auto has = [&](const std::string& c) { return std::find(available.begin(), available.end(), c) != available.end(); };
    std::vector<std::string> wanted;
    if (const char* language = std::getenv("LANGUAGE"); language && *language) {
        std::stringstream ss(language);
        for (std::string part; std::getline(ss, part, ':');) wanted.push_back(normalizeCode(part));
    }
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* v = std::getenv(var); v && *v) {
            wanted.push_back(normalizeCode(v));
            break;
        }
    }
    for (const auto& w : wanted) {
        if (w.empty()) continue;
        if (has(w)) return w;
        auto base = w.substr(0, w.find('-'));
        if (has(base)) return base;
    }
    return "en";
}

void Bundle::setLocalization(std::optional<std::string> code) {
    std::lock_guard lock(state_->mutex);
    state_->localization = std::move(code);
}

std::optional<std::string> Bundle::lookup(std::string_view code, std::string_view key, std::string_view table) const {
    std::string id = std::string(code) + "/" + std::string(table);
    std::lock_guard lock(state_->mutex);
    auto it = state_->tables.find(id);
    if (it == state_->tables.end()) {
        std::map<std::string, std::string> entries;
        auto file = resourcePath() / (std::string(code) + ".lproj") / (std::string(table) + ".strings");
        if (auto text = paths::readFile(file)) {
            if (auto parsed = parseStringsTable(*text)) {
                for (auto& [k, v] : *parsed) entries[k] = std::move(v);
            } else {
                log::nslog("Bundle: cannot parse " + file.string());
            }
        }
        it = state_->tables.emplace(id, std::move(entries)).first;
    }
    auto found = it->second.find(std::string(key));
    if (found == it->second.end()) return std::nullopt;
    return found->second;
}

std::string Bundle::localizedString(std::string_view key, std::string_view value, std::string_view table) const {
    if (g_mainSwitched.load() && isMain(this)) return PrivateBundle::localizedString(*this, key, value, table);
    return plainLocalizedString(key, value, table);
}

std::string Bundle::plainLocalizedString(std::string_view key, std::string_view value, std::string_view table) const {
    if (auto s = lookup(preferredLocalization(), key, table)) return *s;
    if (auto s = lookup("en", key, table)) return *s;
    if (!value.empty()) return std::string(value);
    return std::string(key);
}

std::optional<std::string> Bundle::languageOverride() const {
    std::lock_guard lock(state_->mutex);
    return state_->languageOverride;
}

void Bundle::setLanguageOverride(std::optional<std::string> code) {
    std::lock_guard lock(state_->mutex);
    state_->languageOverride = std::move(code);
}

bool Bundle::mainFollowsLanguageOverride() { return g_mainSwitched.load(); }

void Bundle::setLanguage(std::string_view code) {
    log::print("[Bundle Ext] setLanguage called with: " + std::string(code));
    DispatchQueue::once("morvex.bundle.languageOverride", [] {
        log::print("[Bundle Ext] >>> ENTERING ONCE BLOCK for swizzling <<<");
        g_mainSwitched.store(true);
        log::print("[Bundle Ext] \u2705 Swizzled Bundle.main's class to PrivateBundle ONCE.");
    });
    main().setLanguageOverride(std::string(code));
    log::print("[Bundle Ext] \u2705 Associated language '" + std::string(code) + "' with main bundle instance.");
}

std::string PrivateBundle::localizedString(const Bundle& bundle, std::string_view key, std::string_view value,
                                           std::string_view table) {
    const std::string k(key);
    const std::string tableName = table.empty() ? "Localizable" : std::string(table);
    log::print("[PrivateBundle] Attempting to localize key: '" + k + "' in table: '" + tableName + "'");
    auto code = bundle.languageOverride();
    if (!code) {
        log::print("[PrivateBundle] \u274c FAILED: Bundle.main.languageOverride is nil. Falling back to super.");
        return bundle.plainLocalizedString(key, value, tableName);
    }
    log::print("[PrivateBundle] \u2705 Associated Language: '" + *code + "'");
    const auto path = bundle.resourcePath() / (*code + ".lproj");
    std::error_code ec;
    if (code->empty() || code->find('/') != std::string::npos || !std::filesystem::is_directory(path, ec)) {
        log::print("[PrivateBundle] \u274c FAILED: Path not found for '" + *code +
                   ".lproj' in main bundle. Falling back to super.");
        return bundle.plainLocalizedString(key, value, tableName);
    }
    log::print("[PrivateBundle] \u2705 Path Found: '" + path.string() + "'");
    std::filesystem::directory_iterator opened(path, ec);
    if (ec) {
        log::print("[PrivateBundle] \u274c FAILED: Bundle(path: path) returned nil for path: " + path.string() +
                   ". Falling back to super.");
        return bundle.plainLocalizedString(key, value, tableName);
    }
    log::print("[PrivateBundle] \u2705 Language Bundle Created: Bundle <" + path.string() + ">");
    log::print("[PrivateBundle] Attempting lookup in " + *code + " bundle...");
    auto found = bundle.lookup(*code, key, tableName);
    std::string result = found ? *found : (value.empty() ? k : std::string(value));
    log::print("[PrivateBundle] \u2705 Result for key '" + k + "' in '" + *code + "' (table '" + tableName +
               "'): ---> '" + result + "' <---");
    if (result != k) return result;
    // The answer equals the key: tell a missing entry from one whose text is its own key.
    if (!found) {
        log::print("[PrivateBundle] \u26a0\ufe0f WARNING: Key '" + k + "' may not be present in '" + *code + ".lproj/" +
                   tableName + ".strings'.");
    }
    return result;
}

}  // namespace morvex
