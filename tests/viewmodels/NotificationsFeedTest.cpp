// The service's notification list as the store keeps it: what an answer may hold, and how a new
// list meets the notices the user has already read, closed or acted on.
#include <gtest/gtest.h>

#include <map>

#include "support/TestSupport.h"
#include "viewmodels/AppNotification.h"
#include "viewmodels/NotificationsFeed.h"

namespace morvex {
namespace {

class NotificationsFeedTest : public test::TempConfigTest {
protected:
    test::TempDir dir;
    CoreDataService store{dir.path() / "store.sqlite"};
    ManagedObjectContext& context = store.managedObjectContext();

    std::map<std::string, AppNotificationPtr> storedFor(const std::string& user) {
        std::map<std::string, AppNotificationPtr> byId;
        const auto stored = AppNotification::fetch(context, user);
        EXPECT_TRUE(stored);
        if (stored)
            for (const auto& n : *stored) byId[n->id()] = n;
        return byId;
    }
};

TEST_F(NotificationsFeedTest, AnAnswerKeepsItsUsableRecordsAndFailsWithoutAList) {
    const auto answer = nlohmann::json::parse(R"({"notifications": [
        {"id": "a", "title": "Renewal", "created_at": "2026-12-10T09:00:00Z", "app_version_from": 1.5,
         "cta_primary_title": "Open", "cta_primary_action": "url", "cta_primary_value": "https://example.com"},
        {"title": "no id"},
        {"id": 7, "title": "id not a text"},
        "not a record",
        {"id": "b", "title": 3, "created_at": "yesterday"}
    ]})").get<NotificationsFeed::Answer>();
    ASSERT_EQ(answer.notifications.size(), 2u);
    const auto& a = answer.notifications[0];
    EXPECT_EQ(a.title, "Renewal");
    EXPECT_EQ(a.createdAt, 1796893200.0);
    EXPECT_EQ(a.appVersionFrom, 1.5);
    EXPECT_EQ(a.ctaPrimaryValue, "https://example.com");
    const auto& b = answer.notifications[1];
    EXPECT_EQ(b.title, "") << "a field of the wrong type reads as empty";
    EXPECT_EQ(b.createdAt, std::nullopt);

    for (const char* bad : {R"({})", R"({"notifications": {}})", R"([])"}) {
        SCOPED_TRACE(bad);
        EXPECT_ANY_THROW((void)nlohmann::json::parse(bad).get<NotificationsFeed::Answer>());
    }
}

TEST_F(NotificationsFeedTest, ANewListKeepsWhatTheUserDidAndDropsWithdrawnNotices) {
    auto record = [](std::string id, std::string title) {
        NotificationsFeed::Record r;
        r.id = std::move(id);
        r.title = std::move(title);
        return r;
    };
    ASSERT_TRUE(NotificationsFeed::merge(context, "alice", {record("read", "Old"), record("closed", "C"), record("gone", "G")}));
    ASSERT_TRUE(NotificationsFeed::merge(context, "bob", {record("read", "Bob's")}));
    auto before = storedFor("alice");
    before["read"]->setSeen(true);
    before["closed"]->setClosed(true);
    before["closed"]->setClicked(true);
    ASSERT_TRUE(context.save());

    ASSERT_TRUE(NotificationsFeed::merge(context, "alice",
                                         {record("read", "New title"), record("closed", "C"), record("new", "N"), record("new", "twice")}));
    auto after = storedFor("alice");
    ASSERT_EQ(after.size(), 3u);
    EXPECT_FALSE(after.contains("gone"));
    EXPECT_EQ(after["read"]->title(), "New title");
    EXPECT_TRUE(after["read"]->seen());
    EXPECT_TRUE(after["closed"]->closed());
    EXPECT_TRUE(after["closed"]->clicked());
    EXPECT_EQ(after["new"]->title(), "N") << "the first of two records with one id";
    EXPECT_FALSE(after["new"]->seen());
    EXPECT_EQ(storedFor("bob").at("read")->title(), "Bob's") << "another user's list is left alone";

    ASSERT_TRUE(NotificationsFeed::merge(context, "alice", {}));
    EXPECT_TRUE(storedFor("alice").empty()) << "an empty list withdraws every notice";
}

}  // namespace
}  // namespace morvex
