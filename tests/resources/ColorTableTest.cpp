// The named colours: how the bundle's colour table is read, and that the shipped table is whole
// (every entry readable, light and dark), keeps the colour values the product fixes, and pairs
// every text colour with grounds it reads on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "foundation/BundleResources.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"

namespace morvex::test {
namespace {

TEST(ColorTable, HexColoursAreReadWithAndWithoutAlpha) {
    struct Case {
        const char* text;
        std::optional<Rgba> expected;
    };
    const Case cases[] = {
        {"#4772A5", Rgba{71 / 255.0, 114 / 255.0, 165 / 255.0, 1}},
        {"#4772a5", Rgba{71 / 255.0, 114 / 255.0, 165 / 255.0, 1}},
        {"#00000066", Rgba{0, 0, 0, 102 / 255.0}},
        {"4772A5", std::nullopt},
        {"#4772A", std::nullopt},
        {"#4772A5F", std::nullopt},
        {"#GG72A5", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseHexColor(c.text), c.expected) << c.text;
}

class ColorTableFile : public ::testing::Test {
protected:
    Bundle bundleWith(const std::string& table) {
        const auto dir = dir_.path() / ("Fixture" + std::to_string(++count_) + ".app");
        std::filesystem::create_directories(dir / "Resources");
        std::ofstream(dir / "Resources/colors.json") << table;
        return Bundle(dir);
    }
    TempDir dir_;
    int count_ = 0;
};

TEST_F(ColorTableFile, ANamedColourHasItsLightAndDarkValue) {
    auto bundle = bundleWith(R"({"Ink": {"light": "#1C1C1C", "dark": "#F1F3F5CC", "use": "text"}})");
    auto ink = colorNamed("Ink", bundle);
    ASSERT_TRUE(ink);
    EXPECT_EQ(ink->forAppearance(Appearance::Light), (Rgba{28 / 255.0, 28 / 255.0, 28 / 255.0, 1}));
    EXPECT_EQ(ink->forAppearance(Appearance::Dark), (Rgba{241 / 255.0, 243 / 255.0, 245 / 255.0, 204 / 255.0}));
    EXPECT_FALSE(colorNamed("ink", bundle)) << "names are exact";
}

TEST_F(ColorTableFile, ADamagedTableGivesNoColoursAtAll) {
    // Half a palette would mix designed colours with every screen's fallbacks.
    const char* damaged[] = {
        R"({"Ink": {"light": "#1C1C1C", "dark": "#F1F3F5"}, "Sky": {"light": "#8AC0FF"}})",
        R"({"Ink": {"light": "#1C1C1C", "dark": "white"}})",
        R"({"Ink": "#1C1C1C"})",
        R"(["Ink"])",
        "{ not json",
    };
    for (const char* table : damaged) EXPECT_FALSE(colorNamed("Ink", bundleWith(table))) << table;
    EXPECT_FALSE(colorNamed("Ink", Bundle(dir_.path() / "NoTable.app")));
}

TEST(ShippedColorTable, EveryEntryHasALightAndADarkValue) {
    const auto file = std::filesystem::path(MORVEX_RESOURCES_SOURCE_DIR) / "app/colors.json";
    auto json = nlohmann::json::parse(*paths::readFile(file));
    const Bundle bundle(MORVEX_TEST_BUNDLE_DIR);
    ASSERT_TRUE(json.is_object());
    for (const auto& [name, entry] : json.items()) EXPECT_TRUE(colorNamed(name, bundle)) << name;
}

// The colours the product fixes by number (the palette the screens draw from) and the brand blue.
// The greys and the call-to-action blue were darkened from the first palette so text in them reads.
TEST(ShippedColorTable, KeepsTheProductsPalette) {
    struct Fixed {
        int palette;
        double r, g, b, a;
    };
    const Fixed palette[] = {
        {0, 0.208, 0.231, 0.412, 1},  {1, 0.933, 0.914, 0.957, 1}, {2, 0.263, 0.133, 0.375, 1},
        {3, 0.67, 0.65, 0.69, 1},     {4, 0.263, 0.133, 0.375, 0.3}, {5, 0.98, 0.41, 0.38, 1},
        {6, 0.1, 0.94, 0.8, 1},       {7, 0.4, 0.82, 0.6, 1},      {8, 0.946, 0.946, 1.0, 1},
        {9, 0.863, 0.98, 0.918, 1},   {10, 0x23 / 255.0, 0x6C / 255.0, 0xCC / 255.0, 1}, {11, 0.263, 0.133, 0.375, 1},
        {12, 0.173, 0.863, 0.51, 1},  {13, 1.0, 0.09, 0.267, 1},   {14, 1, 1, 1, 0.4},
        {15, 0.925, 0.914, 0.937, 1}, {16, 0.93, 0.58, 0.05, 1},   {17, 0.11, 0.18, 0.24, 1},
        {18, 0.031, 0.505, 0.89, 1},  {19, 0.157, 0.157, 0.157, 1}, {20, 0x62 / 255.0, 0x68 / 255.0, 0x6E / 255.0, 1},
        {21, 0x62 / 255.0, 0x68 / 255.0, 0x6E / 255.0, 1}, {22, 71 / 255.0, 114 / 255.0, 165 / 255.0, 1},
        {23, 172 / 255.0, 188 / 255.0, 155 / 255.0, 1},
    };
    const auto file = std::filesystem::path(MORVEX_RESOURCES_SOURCE_DIR) / "app/colors.json";
    auto json = nlohmann::json::parse(*paths::readFile(file));
    const Bundle bundle(MORVEX_TEST_BUNDLE_DIR);
    for (const auto& f : palette) {
        std::vector<std::string> names;
        for (const auto& [name, entry] : json.items())
            if (entry.value("palette", -1) == f.palette) names.push_back(name);
        ASSERT_EQ(names.size(), 1u) << "palette " << f.palette;
        auto color = colorNamed(names.front(), bundle);
        ASSERT_TRUE(color) << names.front();
        const double step = 1 / 255.0;
        EXPECT_NEAR(color->light.red, f.r, step) << names.front();
        EXPECT_NEAR(color->light.green, f.g, step) << names.front();
        EXPECT_NEAR(color->light.blue, f.b, step) << names.front();
        EXPECT_NEAR(color->light.alpha, f.a, step) << names.front();
    }
    // Palette 21 is the one that follows the appearance: lighter in the dark.
    auto tab = colorNamed("TabText", bundle);
    ASSERT_TRUE(tab);
    EXPECT_NEAR(tab->dark.red, 0.678, 1 / 255.0);
    EXPECT_NEAR(tab->dark.green, 0.709, 1 / 255.0);
    EXPECT_NEAR(tab->dark.blue, 0.741, 1 / 255.0);
    auto theme = colorNamed("ThemeColor", bundle);
    ASSERT_TRUE(theme);
    EXPECT_EQ(theme->light, (Rgba{71 / 255.0, 114 / 255.0, 165 / 255.0, 1}));
}

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminance(const Rgba& c) {
    auto channel = [](double s) { return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
}

double contrast(const Rgba& a, const Rgba& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(ShippedColorTable, EveryTextColourReadsOnTheGroundsItIsDrawnOn) {
    // Text colour on ground colour, as the screens pair them; each pair must reach 4.5:1 in the
    // appearances listed (both unless a colour only ever stands on a ground of one).
    struct Pair {
        const char* text;
        const char* ground;
        bool light = true, dark = true;
    };
    const Pair pairs[] = {
        {"HeadingText", "BottomColor"},
        {"HeadingText", "WindowBackground"},
        {"TabText", "BottomColor"},
        {"TabText", "WindowBackground"},
        {"TabText", "SettingsSegmentedBGColor"},
        {"SecondaryText", "BottomColor", true, false},
        {"SecondaryText", "WindowBackground", true, false},
        {"Error", "BottomColor"},
        {"Error", "WindowBackground"},
        {"Success", "BottomColor"},
        {"Success", "WindowBackground"},
        {"ThemeColor", "BottomColor"},  // links and text buttons
        {"ThemeColor", "WindowBackground"},
        {"PopupTitleColor", "PopupBGColorNew"},
        {"PopupContentColor", "PopupBGColorNew"},
        {"PopupCancelTextColor", "PopupBGColorNew"},
        {"PopupOKTextColorNew", "PopupOKButtonBGColor"},
        {"PopupOKTextColorNew", "ThemeFill"},  // white on primary buttons
        {"PopupOKTextColorNew", "LinkBlue"},   // white on the selected account row, calls to action
        {"LinkBlue", "BottomColor", true, false},
        {"LinkBlue", "WindowBackground", true, false},
        {"SettingsSegmentedSelectedTextColor", "ThemeFill"},
        {"SettingsSegmentedUnSelectedTextColor", "SettingsSegmentedBGColor"},
    };
    const Bundle bundle(MORVEX_TEST_BUNDLE_DIR);
    for (const auto& p : pairs) {
        const auto text = colorNamed(p.text, bundle);
        const auto ground = colorNamed(p.ground, bundle);
        ASSERT_TRUE(text && ground) << p.text << " on " << p.ground;
        if (p.light) {
            EXPECT_GE(contrast(text->light, ground->light), 4.5) << p.text << " on " << p.ground << ", light";
        }
        if (p.dark) {
            EXPECT_GE(contrast(text->dark, ground->dark), 4.5) << p.text << " on " << p.ground << ", dark";
        }
    }
    // The country panel is dark in both appearances: its secondary text takes the dark grey.
    const auto tab = colorNamed("TabText", bundle);
    const auto panel = colorNamed("Charcoal", bundle);
    ASSERT_TRUE(tab && panel);
    EXPECT_GE(contrast(tab->dark, panel->light), 4.5);
}

}  // namespace
}  // namespace morvex::test
