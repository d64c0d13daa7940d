#include "foundation/BundleResources.h"

#include <map>
#include <mutex>
#include <nlohmann/json.hpp>

#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace morvex {

namespace {

std::optional<unsigned> hexByte(std::string_view two) {
    unsigned value = 0;
    for (char c : two) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

using ColorTable = std::map<std::string, NamedColor, std::less<>>;

// One entry: {"light": "#RRGGBB[AA]", "dark": "#RRGGBB[AA]", ...}; other members are notes.
std::optional<NamedColor> colorEntry(const nlohmann::json& entry) {
    if (!entry.is_object()) return std::nullopt;
    auto light = entry.find("light");
    auto dark = entry.find("dark");
    if (light == entry.end() || dark == entry.end() || !light->is_string() || !dark->is_string())
        return std::nullopt;
    auto l = parseHexColor(light->get<std::string>());
    auto d = parseHexColor(dark->get<std::string>());
    if (!l || !d) return std::nullopt;
    return NamedColor{*l, *d};
}

// The whole table, or an empty one when the file is missing or damaged. A damaged entry makes the
// whole table unusable: half a palette would mix the designed colours with the fallbacks.
ColorTable readColorTable(const std::filesystem::path& file) {
    auto text = paths::readFile(file);
    if (!text) return {};
    auto json = nlohmann::json::parse(*text, nullptr, false);
    if (!json.is_object()) {
        log::nslog("Bundle: " + file.string() + " is not a JSON object of colours");
        return {};
    }
    ColorTable table;
    for (const auto& [name, entry] : json.items()) {
        auto color = colorEntry(entry);
        if (!color) {
            log::nslog("Bundle: colour \"" + name + "\" in " + file.string() +
                       " needs \"light\" and \"dark\" values written #RRGGBB or #RRGGBBAA");
            return {};
        }
        table.emplace(name, *color);
    }
    return table;
}

std::mutex g_colorMutex;
std::map<std::filesystem::path, ColorTable> g_colorTables;  // by resources folder, under g_colorMutex

}  // namespace

std::optional<Rgba> parseHexColor(std::string_view text) {
    if (text.size() != 7 && text.size() != 9) return std::nullopt;
    if (text.front() != '#') return std::nullopt;
    std::optional<unsigned> parts[4] = {hexByte(text.substr(1, 2)), hexByte(text.substr(3, 2)),
                                        hexByte(text.substr(5, 2)), 255u};
    if (text.size() == 9) parts[3] = hexByte(text.substr(7, 2));
    for (const auto& p : parts)
        if (!p) return std::nullopt;
    return Rgba{*parts[0] / 255.0, *parts[1] / 255.0, *parts[2] / 255.0, *parts[3] / 255.0};
}

std::optional<std::filesystem::path> imageNamed(std::string_view name, const Bundle& bundle) {
    if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
    return bundle.pathForResource(name, "svg", "Images");
}

std::optional<NamedColor> colorNamed(std::string_view name, const Bundle& bundle) {
    const auto resources = bundle.resourcePath();
    std::lock_guard lock(g_colorMutex);
    auto it = g_colorTables.find(resources);
    if (it == g_colorTables.end()) it = g_colorTables.emplace(resources, readColorTable(resources / "colors.json")).first;
    auto found = it->second.find(name);
    if (found == it->second.end()) return std::nullopt;
    return found->second;
}

std::optional<std::filesystem::path> animationNamed(std::string_view name, const Bundle& bundle) {
    if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
    return bundle.pathForResource(name, "json", "Animations");
}

}  // namespace morvex
