#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCoreApplication>

#include <fstream>

#include "foundation/Log.h"
#include "state/CoreDataService.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

class CoreDataServiceTest : public test::TempConfigTest {
protected:
    std::filesystem::path storeFile() const { return configDir() / "com.morvex.mac.vpn" / "MorvexVPN.sqlite"; }

    static std::vector<ManagedObjectPtr> all(CoreDataService& stack, const std::string& entity,
                                             std::vector<SortDescriptor> sort = {}) {
        FetchRequest request(entity);
        request.sortDescriptors = std::move(sort);
        auto found = stack.managedObjectContext().fetch(request);
        EXPECT_TRUE(found) << (found ? "" : found.error().message);
        return found ? *found : std::vector<ManagedObjectPtr>{};
    }
};

}  // namespace

TEST_F(CoreDataServiceTest, RowsSurviveARestartInTheFolderItCreates) {
    ASSERT_FALSE(std::filesystem::exists(storeFile().parent_path()));
    {
        CoreDataService stack;
        auto& context = stack.managedObjectContext();
        auto n = context.insertNewObject("AppNotification");
        ASSERT_TRUE(n);
        n->setString("id", "n-1");
        n->setString("title", "Hällo \"world\"");
        n->setDouble("appVersionFrom", 1.5);
        n->setDate("createdAt", Date{1700000000.25});
        n->setBool("seen", true);
        for (auto code : {5, -99999}) {
            auto e = context.insertNewObject("AppError");
            e->setInteger("code", code);
            e->setString("domain", "zevu");
        }
        EXPECT_TRUE(context.hasChanges());
        stack.saveContext();
        EXPECT_FALSE(context.hasChanges());
        EXPECT_GT(n->objectID(), 0);
    }
    ASSERT_TRUE(std::filesystem::exists(storeFile()));

    CoreDataService restarted;
    auto notifications = all(restarted, "AppNotification");
    ASSERT_EQ(notifications.size(), 1u);
    const auto& n = *notifications[0];
    EXPECT_EQ(n.string("id"), "n-1");
    EXPECT_EQ(n.string("title"), "Hällo \"world\"");
    EXPECT_EQ(n.doubleValue("appVersionFrom"), 1.5);
    EXPECT_EQ(n.date("createdAt"), Date{1700000000.25});
    EXPECT_TRUE(n.boolean("seen"));
    EXPECT_FALSE(n.boolean("closed"));
    EXPECT_EQ(n.string("message"), std::nullopt);

    auto errors = all(restarted, "AppError", {{"code", true}});
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0]->integer("code"), -99999);
    EXPECT_EQ(errors[1]->integer("code"), 5);
}

TEST_F(CoreDataServiceTest, ASaveWithNoChangesWritesNothing) {
    CoreDataService stack;
    auto& coordinator = stack.persistantStoreCoordinator();
    ASSERT_TRUE(coordinator.hasStore());
    auto e = stack.managedObjectContext().insertNewObject("AppError");
    e->setInteger("code", 1);
    stack.saveContext();
    const auto writes = coordinator.committedTransactions();
    const auto stamp = std::filesystem::last_write_time(storeFile());

    stack.saveContext();
    e->setInteger("code", 1);  // the same value is no change
    stack.saveContext();
    EXPECT_EQ(coordinator.committedTransactions(), writes);
    EXPECT_EQ(std::filesystem::last_write_time(storeFile()), stamp);

    e->setString("title", "Cannot Connect");
    EXPECT_TRUE(stack.managedObjectContext().hasChanges());
    stack.saveContext();
    EXPECT_EQ(coordinator.committedTransactions(), writes + 1);
}

TEST_F(CoreDataServiceTest, TheContextKeepsOneObjectPerRowAndShowsPendingChanges) {
    CoreDataService stack;
    auto& context = stack.managedObjectContext();
    EXPECT_EQ(&context, &stack.managedObjectContext());
    auto a = context.insertNewObject("AppError");
    a->setInteger("code", 7);
    auto b = context.insertNewObject("AppError");
    b->setInteger("code", 8);
    stack.saveContext();

    auto first = all(stack, "AppError");
    auto second = all(stack, "AppError");
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].get(), second[0].get());

    first[0]->setString("message", "changed");
    auto pending = context.insertNewObject("AppError");
    pending->setInteger("code", 9);
    context.deleteObject(first[1]);
    FetchRequest request("AppError");
    request.predicate = [](const ManagedObject& o) { return o.integer("code") >= 7; };
    request.sortDescriptors = {{"code", false}};
    auto now = context.fetch(request);
    ASSERT_TRUE(now);
    ASSERT_EQ(now->size(), 2u);
    EXPECT_EQ((*now)[0]->integer("code"), 9);
    EXPECT_EQ((*now)[1]->string("message"), "changed");

    stack.saveContext();
    CoreDataService restarted;
    auto stored = all(restarted, "AppError", {{"code", true}});
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0]->integer("code"), 7);
    EXPECT_EQ(stored[0]->string("message"), "changed");
    EXPECT_EQ(stored[1]->integer("code"), 9);
}

TEST_F(CoreDataServiceTest, SettersRefuseUnknownAttributesAndOtherTypes) {
    CoreDataService stack;
    auto e = stack.managedObjectContext().insertNewObject("AppError");
    EXPECT_FALSE(e->setString("code", "5"));
    EXPECT_FALSE(e->setInteger("nonsense", 1));
    EXPECT_TRUE(e->setString("title", std::nullopt));
    EXPECT_EQ(stack.managedObjectContext().insertNewObject("NoSuchEntity"), nullptr);
    EXPECT_FALSE(stack.managedObjectContext().fetch(FetchRequest("NoSuchEntity")));
}

TEST_F(CoreDataServiceTest, AnUnreadableStoreIsReportedKeptAndChangesStayUnsaved) {
    std::filesystem::create_directories(storeFile().parent_path());
    const std::string garbage(4096, 'x');
    { std::ofstream(storeFile(), std::ios::binary) << garbage; }

    log::Capture console;
    CoreDataService stack;
    auto& context = stack.managedObjectContext();
    EXPECT_TRUE(console.containsText("Error in adding persistance store: "));
    EXPECT_FALSE(stack.persistantStoreCoordinator().hasStore());
    EXPECT_FALSE(context.fetch(FetchRequest("AppError")));

    auto e = context.insertNewObject("AppError");
    e->setInteger("code", 1);
    stack.saveContext();
    EXPECT_TRUE(console.containsText("Error in saving managed object: "));
    EXPECT_TRUE(context.hasChanges());

    std::ifstream in(storeFile(), std::ios::binary);
    std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(onDisk, garbage);
}

TEST_F(CoreDataServiceTest, AnOlderStoreGainsTheNewColumnsAndKeepsItsRows) {
    std::filesystem::create_directories(storeFile().parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(storeFile().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE \"AppError\" (\"Z_PK\" INTEGER PRIMARY KEY AUTOINCREMENT, \"code\" INTEGER, "
                           "\"domain\" TEXT, \"message\" TEXT);"
                           "INSERT INTO \"AppError\" (\"code\", \"domain\", \"message\") VALUES (-99999, 'zevu', 'Error %d');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    CoreDataService stack;
    auto rows = all(stack, "AppError");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->integer("code"), -99999);
    EXPECT_EQ(rows[0]->string("message"), "Error %d");
    EXPECT_EQ(rows[0]->string("primaryCta"), std::nullopt);
    rows[0]->setString("primaryCta", "Retry");
    stack.saveContext();
    EXPECT_FALSE(stack.managedObjectContext().hasChanges());
    EXPECT_TRUE(all(stack, "AppNotification").empty());
}

TEST_F(CoreDataServiceTest, TheSharedStackSavesWhenTheApplicationQuits) {
    auto& shared = CoreDataService::shared();
    EXPECT_EQ(&shared, &CoreDataService::shared());
    auto e = shared.managedObjectContext().insertNewObject("AppError");
    e->setInteger("code", 997);
    ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    EXPECT_FALSE(shared.managedObjectContext().hasChanges());

    CoreDataService restarted;
    auto rows = all(restarted, "AppError");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->integer("code"), 997);
}
