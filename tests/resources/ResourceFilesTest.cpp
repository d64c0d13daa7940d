// The data files of the bundle decode the way their readers read them: the dislike reasons of the
// connection rating form and the country table of the location catalogue.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>

#include "ResourceNames.h"
#include "foundation/Bundle.h"
#include "foundation/Paths.h"

namespace morvex::test {
namespace {

nlohmann::json bundled(const std::string& name, const std::string& type) {
    auto file = Bundle(MORVEX_TEST_BUNDLE_DIR).pathForResource(name, type);
    if (!file) return nullptr;
    return nlohmann::json::parse(paths::readFile(*file).value_or(""), nullptr, false);
}

TEST(DislikeReasons, EveryReasonDecodesAndTheirSlugsDiffer) {
    const std::set<std::string> actions = {"default",   "switch_server", "show_app_errors",   "switch_to_wireguard",
                                           "skip",      "live_chat",     "subscription_status"};
    auto reasons = bundled("DislikeReasons", "json");
    ASSERT_TRUE(reasons.is_array());
    EXPECT_GE(reasons.size(), 3u);
    std::set<std::string> slugs;
    for (const auto& r : reasons) {
        SCOPED_TRACE(r.dump());
        ASSERT_TRUE(r.is_object());
        for (const char* key : {"title", "subtitle", "placeholder"}) {
            ASSERT_TRUE(r.contains(key) && r[key].is_string()) << key;
            EXPECT_FALSE(r[key].get<std::string>().empty()) << key;
        }
        ASSERT_TRUE(r.contains("isReasonRequired") && r["isReasonRequired"].is_boolean());
        ASSERT_TRUE(r.contains("action") && r["action"].is_string()) << "every reason names its follow-up";
        EXPECT_TRUE(actions.contains(r["action"].get<std::string>()));
        ASSERT_TRUE(r.contains("slug") && r["slug"].is_string());
        EXPECT_TRUE(slugs.insert(r["slug"].get<std::string>()).second) << "slug used twice";
    }
}

TEST(CountryTable, HoldsEveryCountryOfTheServerListAndNoOther) {
    auto table = bundled("countries", "json");
    ASSERT_TRUE(table.is_object());
    std::set<std::string> listed;
    for (const auto& code : serverListCountries()) listed.insert(code);
    std::set<std::string> inTable;
    for (const auto& [code, entry] : table.items()) {
        inTable.insert(code);
        SCOPED_TRACE(code);
        ASSERT_TRUE(entry.is_object());
        EXPECT_TRUE(entry.contains("priority") && entry["priority"].is_number_integer());
        EXPECT_TRUE(entry.contains("is_p2p") && entry["is_p2p"].is_boolean());
        EXPECT_TRUE(entry.contains("is_quantum_resistant") && entry["is_quantum_resistant"].is_boolean());
    }
    EXPECT_EQ(inTable, listed) << "run tools/catalog/make_country_table.py after changing the server list";
}

}  // namespace
}  // namespace morvex::test
