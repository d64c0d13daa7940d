#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "foundation/Bundle.h"
#include "foundation/Codec.h"
#include "foundation/Log.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

void write(const std::filesystem::path& p, std::string_view text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << text;
}

TEST(StringsTableTest, ParsesCommentsEscapesAndRejectsBrokenText) {
    auto parsed = parseStringsTable(
        "/* header */\n\"a\" = \"one\";\n// line comment\n\"b.c\"=\"say \\\"hi\\\"\\n\";\n\"u\" = \"\\U00e9\";"
        "\"pair\" = \"\\uD83D\\uDE00\";");
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->size(), 4u);
    EXPECT_EQ((*parsed)[0], (std::pair<std::string, std::string>{"a", "one"}));
    EXPECT_EQ((*parsed)[1].second, "say \"hi\"\n");
    EXPECT_EQ((*parsed)[2].second, "é");
    EXPECT_EQ((*parsed)[3].second, "\xF0\x9F\x98\x80");
    // Escapes that are not four hex digits, or surrogates that do not pair up, make the text unreadable
    // (and must not throw).
    for (const char* broken : {"\"a\" = \"b\"", "\"a\" \"b\";", "a = \"b\";", "\"a\" = \"b",
                               "\"a\" = \"\\uZZZZ\";", "\"a\" = \"\\u12\";", "\"a\" = \"\\u-123\";",
                               "\"a\" = \"\\uD83D\";", "\"a\" = \"\\uD83D\\u0041\";", "\"a\" = \"\\uDE00\";"}) {
        EXPECT_FALSE(parseStringsTable(broken)) << broken;
    }
}

TEST(BundleTest, InfoResourcesAndLocalizedLookups) {
    test::TempDir dir;
    write(dir.path() / "Resources/Info.json", R"({"Application Bundle identifier": "com.x", "Release Code": "DEV", "Count": 3})");
    write(dir.path() / "Resources/countries.json", "[]");
    write(dir.path() / "Resources/en.lproj/Localizable.strings", "\"hello\" = \"Hello\"; \"only.en\" = \"English\";");
    write(dir.path() / "Resources/de.lproj/Localizable.strings", "\"hello\" = \"Hallo\";");
    Bundle b(dir.path());
    EXPECT_EQ(b.bundleIdentifier(), "com.x");
    EXPECT_EQ(b.string("Release Code"), "DEV");
    EXPECT_EQ(b.string("Count"), std::nullopt);
    EXPECT_EQ(b.object("Count")->toInteger(), 3);
    EXPECT_EQ(b.pathForResource("countries", "json"), dir.path() / "Resources/countries.json");
    EXPECT_FALSE(b.pathForResource("missing", "json"));
    EXPECT_EQ(b.localizations(), (std::vector<std::string>{"de", "en"}));

    b.setLocalization("de");
    EXPECT_EQ(b.localizedString("hello"), "Hallo");
    EXPECT_EQ(b.localizedString("only.en"), "English");
    EXPECT_EQ(b.localizedString("missing.key"), "missing.key");
    EXPECT_EQ(b.lookup("de", "only.en"), std::nullopt);
}

TEST(BundleTest, InfoValuesThatDoNotReadAreReportedAndLeftEmpty) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& text : {"{\"Release Code\": \"DEV\", \"Deep\": " + deep + "}", std::string("[1]"),
                                    std::string("{\"Release Code\": ")}) {
        SCOPED_TRACE(text.substr(0, 40));
        test::TempDir dir;
        write(dir.path() / "Resources/Info.json", text);
        log::Capture capture;
        Bundle b(dir.path());
        EXPECT_TRUE(b.infoDictionary().empty());
        EXPECT_TRUE(capture.containsText("Info.json is damaged"));
    }
}

TEST(BundleTest, TheBuiltApplicationBundleHasItsIdentity) {
    EXPECT_EQ(Bundle::main().bundleIdentifier(), "com.morvex.mac.vpn");
    EXPECT_EQ(Bundle::main().string("Release Code"), "PRODUCTION");
}

TEST(CodecTest, Base64RoundTripsAndRejectsGarbage) {
    for (std::string s : {"", "f", "fo", "foo", "foob", "fooba", "foobar"}) {
        EXPECT_EQ(toString(*base64Decode(base64Encode(s))), s);
    }
    EXPECT_EQ(base64Encode(std::string_view("foobar")), "Zm9vYmFy");
    EXPECT_FALSE(base64Decode("Zm9v!"));
    EXPECT_FALSE(base64Decode("Zm9"));
    EXPECT_EQ(crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(crc32("6789", 4, crc32("12345", 5)), 0xCBF43926u) << "a checksum carried on over a second run";
}

// Whole groups are decoded four symbols at a time and the rest one by one: the cases where a
// group breaks that run (spaces, padding, a bad symbol) give what the plain reading gives.
TEST(CodecTest, Base64DecodesAcrossSpacesAndPaddingAndRejectsWhatFollowsPadding) {
    const struct {
        const char* text;
        std::optional<std::string> decoded;
    } cases[] = {
        {"Zm9vYmFy", "foobar"},
        {"Zm9v\nYmFy", "foobar"},
        {"Zm9 vYm\r\nFy", "foobar"},
        {"Zm9vYg==", "foob"},
        {"Zm9vYmE=", "fooba"},
        {"Zm9vYmFy!", std::nullopt},
        {"Zm8=Zm9v", std::nullopt},
        {"Zm9vY", std::nullopt},
        {"Zm9vYg===", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto decoded = base64Decode(c.text);
        if (!c.decoded) {
            EXPECT_FALSE(decoded) << c.text;
            continue;
        }
        ASSERT_TRUE(decoded) << c.text;
        EXPECT_EQ(toString(*decoded), *c.decoded) << c.text;
    }
}

}  // namespace
