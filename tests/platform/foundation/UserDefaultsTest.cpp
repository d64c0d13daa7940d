#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

class UserDefaultsTest : public test::TempConfigTest {};

// Reopens every store from disk, as a new process would.
UserDefaults reopened(std::string_view suite = "standard") {
    UserDefaults::releaseStores();
    return suite == "standard" ? UserDefaults::standard() : UserDefaults(suite);
}

TEST_F(UserDefaultsTest, ObjectTellsAbsentFromPresentAndInstancesAgree) {
    auto a = UserDefaults::standard();
    auto b = UserDefaults::standard();
    EXPECT_FALSE(a.object("k").has_value());
    b.set(false, "k");
    ASSERT_TRUE(a.object("k").has_value());
    EXPECT_FALSE(a.boolean("k"));
    b.removeObject("k");
    EXPECT_FALSE(a.object("k").has_value());
    UserDefaults other("other.suite");
    other.set(1, "k");
    EXPECT_FALSE(a.object("k").has_value());
}

struct TypedRead {
    const char* name;
    Value stored;
    bool asBool;
    std::int64_t asInteger;
    double asDouble;
    std::optional<std::string> asString;
};

TEST_F(UserDefaultsTest, TypedReadsConvertLikePropertyLists) {
    const TypedRead cases[] = {
        {"true", Value(true), true, 1, 1.0, "1"},
        {"integer 7", Value(7), true, 7, 7.0, "7"},
        {"double 2.5", Value(2.5), true, 2, 2.5, "2.5"},
        {"text 4", Value("4"), true, 4, 4.0, "4"},
        {"text YES", Value("YES"), true, 0, 0.0, "YES"},
        {"text abc", Value("abc"), false, 0, 0.0, "abc"},
        {"text -12x", Value("-12x"), true, -12, -12.0, "-12x"},
        {"data", Value(Bytes{1, 2}), false, 0, 0.0, std::nullopt},
        {"array", Value(Array{Value(1)}), false, 0, 0.0, std::nullopt},
    };
    auto d = UserDefaults::standard();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d.set(c.stored, "k");
        EXPECT_EQ(d.boolean("k"), c.asBool);
        EXPECT_EQ(d.integer("k"), c.asInteger);
        EXPECT_DOUBLE_EQ(d.doubleValue("k"), c.asDouble);
        EXPECT_EQ(d.string("k"), c.asString);
    }
    EXPECT_EQ(d.integer("absent"), 0);
    EXPECT_FALSE(d.boolean("absent"));
    EXPECT_FALSE(d.string("absent"));
}

TEST_F(UserDefaultsTest, EveryKindSurvivesARestart) {
    Dictionary dict{{"a", Value(1)}, {"b", Value(Array{Value("x"), Value(Bytes{0, 255})})}};
    {
        auto d = UserDefaults::standard();
        d.set(true, "bool");
        d.set(Value(static_cast<long long>(INT64_MAX)), "int");
        d.set(-0.125, "double");
        d.set("tëxt", "text");
        d.set(Bytes{0, 1, 2, 250}, "data");
        d.set(Date{1234.5}, "date");
        d.set(std::vector<std::string>{"a", "b"}, "strings");
        d.set(dict, "dict");
        d.setString(std::nullopt, "text-removed");
    }
    auto d = reopened();
    EXPECT_TRUE(d.boolean("bool"));
    EXPECT_EQ(d.integer("int"), INT64_MAX);
    EXPECT_EQ(d.doubleValue("double"), -0.125);
    EXPECT_EQ(d.string("text"), "tëxt");
    EXPECT_EQ(d.data("data"), (Bytes{0, 1, 2, 250}));
    EXPECT_EQ(d.date("date"), Date{1234.5});
    EXPECT_EQ(d.stringArray("strings"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d.dictionary("dict"), dict);
    EXPECT_FALSE(d.date("text"));
    EXPECT_FALSE(d.stringArray("dict"));
}

TEST_F(UserDefaultsTest, ConcurrentSetsOfDifferentKeysLoseNothing) {
    constexpr int kThreads = 8, kKeys = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            auto d = UserDefaults::standard();
            for (int i = 0; i < kKeys; ++i) d.set(i, "t" + std::to_string(t) + "." + std::to_string(i));
        });
    }
    for (auto& th : threads) th.join();
    auto d = reopened();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kKeys; ++i)
            ASSERT_EQ(d.integer("t" + std::to_string(t) + "." + std::to_string(i)), i);
}

TEST_F(UserDefaultsTest, RewritesOfALargeStoreKeepTheLatestValues) {
    auto d = UserDefaults::standard();
    d.set(Bytes(1 << 20, 7), "big");
    for (int i = 0; i < 3000; ++i) d.set(std::string(500, 'a' + i % 26), "churn");
    auto r = reopened();
    EXPECT_EQ(r.data("big")->size(), 1u << 20);
    EXPECT_EQ(r.string("churn"), std::string(500, 'a' + 2999 % 26));
    EXPECT_LT(std::filesystem::file_size(r.storePath()), 4u << 20);  // the journal was compacted
}

TEST_F(UserDefaultsTest, EverySetThatReturnedSurvivesSigkill) {
    int pipefd[2];
    ASSERT_EQ(::pipe(pipefd), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipefd[0]);
        UserDefaults d("durability");
        for (int i = 0;; ++i) {
            d.set(i, "key." + std::to_string(i));
            d.set(std::string(100, 'x'), "filler");  // keeps the journal compacting now and then
            ::write(pipefd[1], &i, sizeof i);
        }
    }
    ::close(pipefd[1]);
    int last = -1, value = 0;
    while (last < 2000 && ::read(pipefd[0], &value, sizeof value) == sizeof value) last = value;
    ::kill(child, SIGKILL);
    // Everything the child reported after our last read also returned; count those too.
    while (::read(pipefd[0], &value, sizeof value) == sizeof value) last = value;
    ::close(pipefd[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_GE(last, 2000);
    auto d = reopened("durability");
    for (int i = 0; i <= last; ++i) ASSERT_EQ(d.integer("key." + std::to_string(i)), i) << "key " << i;
}

TEST_F(UserDefaultsTest, DamagedStoreIsMovedAsideAndReported) {
    std::filesystem::path file;
    {
        auto d = UserDefaults::standard();
        d.set("kept", "first");
        d.set("lost", "second");
        file = d.storePath();
    }
    UserDefaults::releaseStores();
    // Flip a byte inside the last record's payload.
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-3, std::ios::end);
        f.put('\x7f');
    }
    log::Capture capture;
    auto d = UserDefaults::standard();
    EXPECT_EQ(d.string("first"), "kept");
    EXPECT_FALSE(d.object("second"));
    EXPECT_TRUE(capture.containsText("is damaged"));
    int aside = 0;
    for (const auto& e : std::filesystem::directory_iterator(file.parent_path()))
        if (e.path().filename().string().find(".damaged-") != std::string::npos) ++aside;
    EXPECT_EQ(aside, 1);
    d.set(1, "after");
    EXPECT_EQ(reopened().integer("after"), 1);
}

TEST_F(UserDefaultsTest, TornTailIsDroppedQuietly) {
    std::filesystem::path file;
    {
        auto d = UserDefaults::standard();
        d.set("v", "whole");
        d.set(std::string(64, 'z'), "torn");
        file = d.storePath();
    }
    UserDefaults::releaseStores();
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 10);
    log::Capture capture;
    auto d = UserDefaults::standard();
    EXPECT_EQ(d.string("whole"), "v");
    EXPECT_FALSE(d.object("torn"));
    EXPECT_FALSE(capture.containsText("is damaged"));
}

TEST_F(UserDefaultsTest, AFailedWriteLeavesNoTornRecordBehindLaterOnes) {
    auto d = UserDefaults::standard();
    d.set("v", "before");
    const auto size = std::filesystem::file_size(d.storePath());
    // The file may grow by only a few bytes: the next record is written in part, then refused.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = size + 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    {
        log::Capture capture;
        d.set(std::string(200, 'x'), "refused");
        EXPECT_TRUE(capture.containsText("failed"));
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(std::filesystem::file_size(d.storePath()), size);
    d.set("v2", "after");

    log::Capture capture;
    auto again = reopened();
    EXPECT_EQ(again.string("before"), "v");
    EXPECT_EQ(again.string("after"), "v2");
    EXPECT_FALSE(capture.containsText("is damaged"));
}

}  // namespace

namespace {

TEST_F(UserDefaultsTest, SetIfAbsentKeepsAnExistingValue) {
    auto d = UserDefaults::standard();
    EXPECT_EQ(d.setIfAbsent(Value(true), "flag"), Value(true));
    d.set(false, "flag");
    EXPECT_EQ(d.setIfAbsent(Value(true), "flag"), Value(false));
    EXPECT_FALSE(reopened().boolean("flag"));
}

}  // namespace
