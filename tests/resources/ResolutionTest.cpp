// Every name a screen asks the bundle for resolves, in every language of the bundle: the names of
// the required list, the names found at the code's call sites, the texts of every error code the
// VPN SDK can report and the flag of every country of its server list. So no screen ever shows a
// raw key, an empty text or an empty image.
#include <gtest/gtest.h>

#include <fstream>

#include "ResourceNames.h"
#include "foundation/Bundle.h"
#include "support/TestSupport.h"

namespace morvex::test {
namespace {

std::string joined(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems) out += "\n  " + p;
    return out;
}

const Bundle& builtBundle() {
    static const Bundle bundle(MORVEX_TEST_BUNDLE_DIR);
    return bundle;
}

TEST(Resolution, TheBundleSpeaksEnglishAndGerman) {
    EXPECT_EQ(builtBundle().localizations(), (std::vector<std::string>{"de", "en"}));
}

TEST(Resolution, EveryRequiredNameResolvesInEveryLanguage) {
    BundleChecker checker(builtBundle());
    std::vector<std::string> problems;
    for (const auto& r : readRequiredNames()) {
        for (auto& p : checker.problems(r.kind, r.name)) problems.push_back(p + " (required-names.txt:" + std::to_string(r.line) + ")");
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST(Resolution, EveryNameTheCodeAsksForResolvesInEveryLanguage) {
    const std::filesystem::path source(MORVEX_SOURCE_DIR);
    const auto used = scanSources({source / "src", source / "platform"});
    BundleChecker checker(builtBundle());
    std::vector<std::string> problems;
    for (const auto& u : used) {
        for (auto& p : checker.problems(u.kind, u.name, u.prefix)) problems.push_back(p + " (" + u.where + ")");
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST(Resolution, EveryErrorCodeOfTheSdkHasAText) {
    const auto codes = sdkErrorCodes();
    ASSERT_FALSE(codes.empty()) << "no error codes found in ZevuCore.h";
    BundleChecker checker(builtBundle());
    std::vector<std::string> problems;
    for (int code : codes) {
        auto p = checker.problems(NameKind::Key, "error." + std::to_string(code));
        problems.insert(problems.end(), p.begin(), p.end());
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// Country names are shown in the user's language from the tables, so each country needs its name.
TEST(Resolution, EveryCountryOfTheServerListHasANameInEveryLanguage) {
    BundleChecker checker(builtBundle());
    std::vector<std::string> problems;
    for (const auto& code : serverListCountries()) {
        auto p = checker.problems(NameKind::Key, "country." + code);
        problems.insert(problems.end(), p.begin(), p.end());
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
    EXPECT_EQ(checker.text("de", "country.DE"), std::optional<std::string>("Deutschland"));
}

TEST(Resolution, EveryCountryOfTheServerListHasAFlagByItsLowerCaseCode) {
    BundleChecker checker(builtBundle());
    std::vector<std::string> problems;
    for (auto code : serverListCountries()) {
        for (auto& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto p = checker.problems(NameKind::Image, code);
        problems.insert(problems.end(), p.begin(), p.end());
    }
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// The reading of the sources: a small tree with one use of each form, and the checker finding the
// names such a tree uses but a bundle lacks.
class SourceScan : public ::testing::Test {
protected:
    void write(const std::string& relative, const std::string& text) {
        const auto file = dir_.path() / "src" / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    std::vector<UsedName> scan() { return scanSources({dir_.path() / "src"}); }
    TempDir dir_;
};

TEST_F(SourceScan, FindsEveryFormOfAskingForANameAndWhere) {
    write("ui/Screen.cpp",
          "#include \"x.h\"\n"
          "void f() {\n"
          "    label.setText(localized(\"vpn.connect\"));\n"
          "    auto m = Bundle::main().localizedString( \"quit.warning\" , \"\");\n"
          "    auto e = localized(\"error.\" + std::to_string(code));\n"
          "    icon = imageNamed(\"ConnectedShield\");\n"
          "    hover = imageNamed(\"profileHoverImg_\" + language);\n"
          "    ink = colorNamed(\"ThemeColor\");\n"
          "    play(animationNamed(\"connected_loop\"));\n"
          "    auto s = Bundle::main().pathForResource(\"restart\", \"sh\");\n"
          "    auto l = Bundle::main().pathForResource(\"servers\", \"json\", \"zevu\");\n"
          "}\n");
    write("ui/Titles.h",
          "constexpr std::string_view kThemeTitleKeys[] = {\"appearance.light\",\n    \"appearance.dark\"};\n"
          "constexpr const char* kTabImageNames[2] = {\"ic_hometab\", \"ic_home_selected\"};\n"
          "// localized(key) without a literal is no use of a name\n");
    write("ui/notes.txt", "localized(\"not.source\")\n");

    std::vector<std::string> found;
    for (const auto& u : scan())
        found.push_back(std::string(kindName(u.kind)) + (u.prefix ? " prefix " : " ") + u.name + " @ " + u.where);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{
                         "animation connected_loop @ src/ui/Screen.cpp:9",
                         "colour ThemeColor @ src/ui/Screen.cpp:8",
                         "image ConnectedShield @ src/ui/Screen.cpp:6",
                         "image ic_home_selected @ src/ui/Titles.h:3",
                         "image ic_hometab @ src/ui/Titles.h:3",
                         "image prefix profileHoverImg_ @ src/ui/Screen.cpp:7",
                         "resource file restart.sh @ src/ui/Screen.cpp:10",
                         "resource file zevu/servers.json @ src/ui/Screen.cpp:11",
                         "text key appearance.dark @ src/ui/Titles.h:2",
                         "text key appearance.light @ src/ui/Titles.h:1",
                         "text key prefix error. @ src/ui/Screen.cpp:5",
                         "text key quit.warning @ src/ui/Screen.cpp:4",
                         "text key vpn.connect @ src/ui/Screen.cpp:3",
                     }));
}

TEST_F(SourceScan, TheCheckerReportsWhatABundleLacksInEachLanguage) {
    // A bundle whose German table lacks one key and has another one empty, and no images at all.
    const auto bundleDir = dir_.path() / "Fixture.app";
    std::filesystem::create_directories(bundleDir / "Resources/en.lproj");
    std::filesystem::create_directories(bundleDir / "Resources/de.lproj");
    std::ofstream(bundleDir / "Resources/en.lproj/Localizable.strings")
        << "\"vpn.connect\" = \"Connect\";\n\"quit.warning\" = \"Log out?\";\n\"error.5\" = \"Five\";\n";
    std::ofstream(bundleDir / "Resources/de.lproj/Localizable.strings")
        << "\"vpn.connect\" = \"\";\n\"error.5\" = \"Fünf\";\n";
    const Bundle bundle(bundleDir);
    BundleChecker checker(bundle);

    EXPECT_EQ(checker.problems(NameKind::Key, "vpn.connect"),
              (std::vector<std::string>{"text key \"vpn.connect\": empty text in de"}));
    EXPECT_EQ(checker.problems(NameKind::Key, "quit.warning"),
              (std::vector<std::string>{"text key \"quit.warning\": missing in de"}));
    EXPECT_TRUE(checker.problems(NameKind::Key, "error.", true).empty());
    EXPECT_EQ(checker.problems(NameKind::Key, "alert.", true).size(), 2u);
    EXPECT_EQ(checker.problems(NameKind::Image, "ConnectedShield"),
              (std::vector<std::string>{"image \"ConnectedShield\": no image"}));
    EXPECT_FALSE(checker.problems(NameKind::Color, "ThemeColor").empty());
    EXPECT_FALSE(checker.problems(NameKind::Animation, "connected_loop").empty());
    EXPECT_FALSE(checker.problems(NameKind::Resource, "restart.sh").empty());
}

}  // namespace
}  // namespace morvex::test
