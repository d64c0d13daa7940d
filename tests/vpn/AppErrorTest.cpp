// The error table: which stored record a code finds, the generic record's filled copy, the
// fallbacks, and that nothing a lookup answers is written back or saved.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "vpn/AppError.h"

using namespace morvex;

namespace {

class AppErrorTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        stack = std::make_unique<CoreDataService>(configDir() / "errors.sqlite");
    }
    ManagedObjectContext& context() { return stack->managedObjectContext(); }
    ManagedObjectPtr add(std::int64_t code, std::string domain, std::string message, std::string title = "T") {
        auto e = context().insertNewObject("AppError");
        e->setInteger("code", code);
        e->setString("domain", std::move(domain));
        e->setString("message", std::move(message));
        e->setString("title", std::move(title));
        return e;
    }
    void save() { ASSERT_TRUE(context().save()); }

    std::unique_ptr<CoreDataService> stack;
};

TEST_F(AppErrorTest, AnExactCodeBeatsTheGenericRecordAndOtherDomainsFallBack) {
    add(AppError::genericCode, "zevu", "Generic failure %d.", "Generic");
    add(5, "zevu", "Five went wrong.", "Five");
    add(-100000, "zevu", "Below the generic code.", "Low");
    add(7, "other", "Not ours.", "Other");
    save();
    struct Case {
        std::int64_t code;
        const char* title;
        const char* message;
    } cases[] = {
        {5, "Five", "Five went wrong."},
        {-100000, "Low", "Below the generic code."},  // sorts before the generic record, still wins
        {7, "Generic", "Generic failure 7."},         // another domain's record is never found
        {42, "Generic", "Generic failure 42."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const auto e = AppError::lookup(c.code, false, context());
        EXPECT_EQ(e.title, c.title);
        EXPECT_EQ(e.message, c.message);
    }
}

TEST_F(AppErrorTest, ANewStoreOffersTroubleshootingForAConnectionThatNeverComesUpAndAStoredRecordWins) {
    AppError::addDefaultRecords(context());
    EXPECT_FALSE(context().hasChanges()) << "the added records are saved";
    EXPECT_EQ(AppError::lookup(-408, false, context()).action, "troubleshoot");
    EXPECT_EQ(AppError::lookup(-407, false, context()).title, AppError::makeFallback(-407).title) << "other codes as before";

    // Adding twice adds nothing; a store that holds its own record for the code keeps it.
    stack = std::make_unique<CoreDataService>(configDir() / "own.sqlite");
    add(-408, "zevu", "Our own words.", "Own")->setString("action", "support");
    save();
    AppError::addDefaultRecords(context());
    AppError::addDefaultRecords(context());
    FetchRequest all("AppError");
    EXPECT_EQ(context().fetch(all)->size(), 1u);
    EXPECT_EQ(AppError::lookup(-408, false, context()).action, "support");
}

TEST_F(AppErrorTest, WithoutAnyRecordOrErrorObjectTheFallbackAnswers) {
    add(7, "other", "Not ours.");
    save();
    const auto e = AppError::lookup(1234, false, context());
    EXPECT_EQ(e.code, 1234);
    EXPECT_EQ(e.title, "Cannot Connect");
    EXPECT_EQ(e.message,
              "Unable to connect to the desired server location. Please try again later. (Error Code 1234)");
    EXPECT_EQ(e.domain, "zevu");
    EXPECT_EQ(e.secondaryCta, "");
    EXPECT_TRUE(e.url && e.url->starts_with("https://"));
    EXPECT_FALSE(e.action);

    add(AppError::genericCode, "zevu", "Generic %d");
    save();
    const auto none = AppError::lookup(5, true, context());  // no error object: whatever the code
    EXPECT_EQ(none.code, AppError::noErrorObjectCode);
    EXPECT_EQ(none.title, "Cannot Connect");
    EXPECT_TRUE(none.message->ends_with("(Error Code 99999)"));
}

TEST_F(AppErrorTest, TheGenericRecordIsFilledInACopyAndStaysAsStored) {
    auto generic = add(AppError::genericCode, "zevu", "Code %d failed; 100%s sure %@.");
    save();
    const auto five = AppError::lookup(5, false, context());
    const auto seven = AppError::lookup(7, false, context());
    // Only the first placeholder is filled; the rest of the stored text stays text.
    EXPECT_EQ(five.message, "Code 5 failed; 100%s sure %@.");
    EXPECT_EQ(seven.message, "Code 7 failed; 100%s sure %@.");
    EXPECT_EQ(generic->string("message"), "Code %d failed; 100%s sure %@.");
    EXPECT_FALSE(context().hasChanges());

    // Fallback records are values: nothing joins the store.
    AppError::makeFallback(3);
    AppError::makeIKSEnabledError();
    EXPECT_FALSE(context().hasChanges());
    FetchRequest all("AppError");
    EXPECT_EQ(context().fetch(all)->size(), 1u);
}

TEST_F(AppErrorTest, KillSwitchRecordAndActionKeywords) {
    const auto iks = AppError::makeIKSEnabledError();
    EXPECT_EQ(iks.code, 997);
    EXPECT_EQ(iks.action, "show-advance-screen");
    EXPECT_EQ(iks.domain, "zevu");
    EXPECT_TRUE(iks.title && !iks.title->empty());
    EXPECT_EQ(appErrorActionFromRaw("show-protocols-screen"), AppError::AppErrorAction::ShowProtocolScreen);
    EXPECT_EQ(appErrorActionFromRaw("Show-Protocols-Screen"), std::nullopt);
    EXPECT_EQ(appErrorActionFromRaw("troubleshoot"), std::nullopt);
    EXPECT_EQ(rawValue(AppError::AppErrorAction::ShowLocationScreen), "show-locations-screen");
}

}  // namespace
