// The English and German tables hold the same keys, once each, and every text keeps the
// placeholders the code fills, in order. Texts the code searches in, maps back to a choice or
// splits at commas keep the shape the code relies on, in both languages.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "ResourceNames.h"

namespace morvex::test {
namespace {

const std::filesystem::path kApp = std::filesystem::path(MORVEX_RESOURCES_SOURCE_DIR) / "app";
const std::vector<std::string> kLanguages = {"en", "de"};

std::map<std::string, std::string> table(const std::string& language) {
    std::map<std::string, std::string> out;
    for (auto& [k, v] : readStringsFile(kApp / (language + ".lproj") / "Localizable.strings")) out.emplace(k, v);
    return out;
}

std::string shown(const std::vector<std::string>& list) {
    std::string out;
    for (const auto& s : list) out += (out.empty() ? "" : " ") + s;
    return "[" + out + "]";
}

TEST(StringsTables, EachKeyStandsOnceInEachTable) {
    for (const auto& language : kLanguages) {
        std::set<std::string> seen;
        std::vector<std::string> twice;
        for (const auto& [key, text] : readStringsFile(kApp / (language + ".lproj") / "Localizable.strings"))
            if (!seen.insert(key).second) twice.push_back(key);
        EXPECT_TRUE(twice.empty()) << language << " has these keys more than once: " << shown(twice);
    }
}

TEST(StringsTables, GermanHasExactlyTheEnglishKeys) {
    const auto en = table("en");
    const auto de = table("de");
    std::vector<std::string> onlyEnglish, onlyGerman;
    for (const auto& [key, text] : en)
        if (!de.contains(key)) onlyEnglish.push_back(key);
    for (const auto& [key, text] : de)
        if (!en.contains(key)) onlyGerman.push_back(key);
    EXPECT_TRUE(onlyEnglish.empty()) << "missing in German: " << shown(onlyEnglish);
    EXPECT_TRUE(onlyGerman.empty()) << "missing in English: " << shown(onlyGerman);
}

// The words a German text may share with its English one (resources/same-in-german.txt).
std::set<std::string> sameInGerman() {
    std::ifstream in(std::filesystem::path(MORVEX_RESOURCES_SOURCE_DIR) / "same-in-german.txt");
    std::set<std::string> out;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') out.insert(line);
    return out;
}

// A German text equal to its English one is a text nobody translated, unless it is a name or a
// word German borrows as written; those are listed, so a new untranslated text fails here.
TEST(StringsTables, GermanTextsAreTranslatedUnlessTheWordIsTheSame) {
    const auto allowed = sameInGerman();
    ASSERT_TRUE(allowed.contains("OK")) << "same-in-german.txt is missing or unreadable";
    const auto en = table("en");
    const auto de = table("de");
    std::vector<std::string> untranslated;
    for (const auto& [key, english] : en) {
        auto german = de.find(key);
        if (german == de.end() || german->second != english || english.empty()) continue;
        if (!allowed.contains(english)) untranslated.push_back(key + "=\"" + english + "\"");
    }
    EXPECT_TRUE(untranslated.empty()) << "the same in German as in English: " << shown(untranslated);
}

TEST(StringsTables, EveryTextKeepsThePlaceholdersOfItsEnglishTextInOrder) {
    const auto en = table("en");
    const auto de = table("de");
    for (const auto& [key, english] : en) {
        auto german = de.find(key);
        if (german == de.end()) continue;  // reported above
        EXPECT_EQ(placeholders(german->second), placeholders(english)) << "key \"" << key << "\"";
    }
}

TEST(StringsTables, FormattedTextsHoldExactlyThePlaceholdersTheCodeFillsAndOthersNone) {
    std::map<std::string, std::vector<std::string>> formats;
    for (const auto& r : readRequiredNames())
        if (r.kind == NameKind::Key) formats[r.name] = r.formats;
    for (const auto& language : kLanguages) {
        for (const auto& [key, text] : table(language)) {
            auto expected = formats.contains(key) ? formats.at(key) : std::vector<std::string>{};
            EXPECT_EQ(placeholders(text), expected) << language << " \"" << key << "\" = \"" << text << "\"";
        }
    }
}

TEST(StringsTables, TextsKeepTheShapeTheCodeReliesOn) {
    const auto names = readRequiredNames();
    for (const auto& language : kLanguages) {
        const auto texts = table(language);
        auto text = [&](const std::string& key) { return texts.contains(key) ? texts.at(key) : std::string(); };
        std::map<std::string, std::map<std::string, std::string>> groups;  // group -> text -> key
        for (const auto& r : names) {
            if (r.kind != NameKind::Key) continue;
            // The code finds a part of a title in the whole to colour it.
            if (r.within) {
                EXPECT_NE(text(*r.within).find(text(r.name)), std::string::npos)
                    << language << ": \"" << r.name << "\" (\"" << text(r.name) << "\") is not part of \""
                    << *r.within << "\" (\"" << text(*r.within) << "\")";
            }
            // The code maps a chosen title back to its choice, so the titles of a group differ.
            if (r.group) {
                auto [it, fresh] = groups[*r.group].emplace(text(r.name), r.name);
                EXPECT_TRUE(fresh) << language << ": \"" << r.name << "\" and \"" << it->second
                                   << "\" have the same text \"" << text(r.name) << "\"";
            }
            // The code splits a list of these texts at commas.
            if (r.noComma) {
                EXPECT_EQ(text(r.name).find(','), std::string::npos) << language << ": \"" << r.name << "\"";
            }
        }
    }
}

TEST(StringsTables, PlaceholdersAreFoundInTheirUsualForms) {
    struct Case {
        const char* text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"Your ticket number is %@.", {"%@"}},
        {"error %d, then %1$@ and %2$ld", {"%d", "%1$@", "%2$ld"}},
        {"100%% sure, %.2f MB", {"%%", "%.2f"}},
        {"50 % of it", {"% o"}},  // reads as a placeholder: a plain percent sign must be written %%
        {"no placeholder here", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(placeholders(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace morvex::test
