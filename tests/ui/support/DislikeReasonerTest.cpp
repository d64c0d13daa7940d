// The dislike reasons: the first-run copy from the bundle, the support folder's list winning
// afterwards, and how entries decode.
#include <fstream>
#include <gtest/gtest.h>

#include "foundation/Paths.h"
#include "support/TestSupport.h"
#include "ui/support/DislikeReasoner.h"

namespace morvex::test {
namespace {

using Reason = DislikeReasoner::Reason;
using Action = Reason::Action;

void write(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

class DislikeReasonerTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path bundlePath() const { return dir.path() / "Bundle"; }
    std::filesystem::path supportFolder() const { return dir.path() / "support" / "com.morvex.mac.vpn"; }
    std::optional<std::vector<Reason>> load() { return DislikeReasoner::loadReasons(Bundle(bundlePath()), supportFolder()); }
    void shipped(std::string_view text) { write(bundlePath() / "Resources" / "DislikeReasons.json", text); }
    void replaced(std::string_view text) { write(supportFolder() / "DislikeReasons.json", text); }
};

constexpr std::string_view kShipped = R"([
  {"title": "Slow", "subtitle": "s", "placeholder": "Which sites?", "isReasonRequired": false,
   "action": "switch_server", "slug": "slow"},
  {"title": "Other", "subtitle": "o", "placeholder": "Tell us", "isReasonRequired": true}
])";

TEST_F(DislikeReasonerTest, TheFirstRunCopiesTheShippedListAndFromThenOnTheCopyWins) {
    shipped(kShipped);
    auto reasons = load();
    ASSERT_TRUE(reasons);
    ASSERT_EQ(reasons->size(), 2u);
    EXPECT_EQ((*reasons)[0], (Reason{"Slow", "s", "Which sites?", false, Action::SwitchServer, "slow"}));
    EXPECT_EQ((*reasons)[1], (Reason{"Other", "o", "Tell us", true, Action::Default, ""}));
    EXPECT_EQ(paths::readFile(supportFolder() / "DislikeReasons.json"), std::string(kShipped))
        << "copied into a support folder that did not exist yet";

    // The list in the support folder is the one read, and a new resource does not replace it.
    replaced(R"([{"title": "Mine", "subtitle": "", "placeholder": "", "isReasonRequired": false, "extra": 1}])");
    shipped("[]");
    reasons = load();
    ASSERT_TRUE(reasons);
    ASSERT_EQ(reasons->size(), 1u);
    EXPECT_EQ((*reasons)[0].title, "Mine") << "an unknown key is ignored";
}

TEST_F(DislikeReasonerTest, ActionsDecodeByTheirTextAndAnythingElseIsTheDefault) {
    const std::vector<std::pair<std::string, Action>> cases{
        {R"("action": "default")", Action::Default},
        {R"("action": "switch_server")", Action::SwitchServer},
        {R"("action": "show_app_errors")", Action::ShowAppErrors},
        {R"("action": "switch_to_wireguard")", Action::SwitchWireGuard},
        {R"("action": "skip")", Action::Skip},
        {R"("action": "live_chat")", Action::LiveChat},
        {R"("action": "subscription_status")", Action::SubscriptionStatus},
        {R"("action": "reboot")", Action::Default},
        {R"("action": 3)", Action::Default},
        {R"("slug": "x")", Action::Default},
    };
    for (const auto& [member, action] : cases) {
        SCOPED_TRACE(member);
        auto j = nlohmann::json::parse(R"({"title": "t", "subtitle": "s", "placeholder": "p", "isReasonRequired": true, )" +
                                       member + "}");
        EXPECT_EQ(j.get<Reason>().action, action);
    }
    // Written back, every key is there, in its order.
    nlohmann::ordered_json out = Reason{"t", "s", "p", true, Action::SwitchWireGuard, ""};
    EXPECT_EQ(out.dump(), R"({"title":"t","subtitle":"s","placeholder":"p","isReasonRequired":true,"action":"switch_to_wireguard","slug":""})");
}

TEST_F(DislikeReasonerTest, AnyFailureGivesNoListAndLosesNothing) {
    // No resource to copy.
    EXPECT_FALSE(load());
    EXPECT_FALSE(std::filesystem::exists(supportFolder() / "DislikeReasons.json"));

    const std::vector<std::pair<const char*, std::string>> broken{
        {"not JSON", "[{"},
        {"not a list", R"({"title": "t"})"},
        {"an entry without isReasonRequired", R"([{"title": "a", "subtitle": "", "placeholder": "", "isReasonRequired": false},
                                                  {"title": "b", "subtitle": "", "placeholder": ""}])"},
        {"isReasonRequired as text", R"([{"title": "a", "subtitle": "", "placeholder": "", "isReasonRequired": "yes"}])"},
        {"a title that is not text", R"([{"title": 1, "subtitle": "", "placeholder": "", "isReasonRequired": false}])"},
    };
    shipped(kShipped);
    for (const auto& [what, text] : broken) {
        SCOPED_TRACE(what);
        replaced(text);
        EXPECT_FALSE(load());
        EXPECT_EQ(paths::readFile(supportFolder() / "DislikeReasons.json"), text) << "the broken list is left as it is";
    }
}

}  // namespace
}  // namespace morvex::test
