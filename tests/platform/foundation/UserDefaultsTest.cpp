#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include <nlohmann/json.hpp>

#include "foundation/Codec.h"
#include "foundation/DefaultsJournal.h"
#include "foundation/Paths.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
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

std::vector<std::string> filesIn(const std::filesystem::path& dir, std::string_view containing) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const auto name = e.path().filename().string();
        if (name.find(containing) != std::string::npos) out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Makes writes that would grow a file past `limit` bytes fail (with EFBIG, as a full disk fails them
// with ENOSPC) for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit tight = saved_;
        tight.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, handler_);
    }

private:
    rlimit saved_{};
    sighandler_t handler_;
};

// One journal record around a payload of our choosing, with a correct checksum.
std::string rawRecord(const std::string& payload) {
    std::string out(8, '\0');
    const auto size = static_cast<std::uint32_t>(payload.size());
    const auto crc = crc32(payload.data(), payload.size());
    std::memcpy(out.data(), &size, 4);
    std::memcpy(out.data() + 4, &crc, 4);
    return out + payload;
}

void appendTo(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::app) << bytes;
}

Value nestedLists(std::size_t depth) {
    Value v(1);
    for (std::size_t i = 0; i < depth; ++i) v = Value(Array{v});
    return v;
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
    // The application hears of it once, with where the file went.
    const auto notice = UserDefaults::takeDamagedStoreNotice();
    ASSERT_TRUE(notice);
    EXPECT_TRUE(std::filesystem::exists(*notice));
    EXPECT_NE(notice->filename().string().find("standard.defaults.damaged-"), std::string::npos);
    EXPECT_FALSE(UserDefaults::takeDamagedStoreNotice());
    d.set(1, "after");
    EXPECT_EQ(reopened().integer("after"), 1);
    EXPECT_FALSE(UserDefaults::takeDamagedStoreNotice()) << "a whole store has nothing to tell";
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

namespace {

TEST_F(UserDefaultsTest, OpeningRemovesTheLeftoversOfARewriteCutOffByAKill) {
    const auto dir = configDir();
    for (const char* name : {"standard.defaults.tmp.Ab12Cd", "standard.defaults.tmp.zzzzzz", "other.defaults.tmp.Ab12Cd",
                             "standard.defaults.tmp.note.txt"})
        std::ofstream(dir / name) << "partial";
    auto d = UserDefaults::standard();
    EXPECT_EQ(filesIn(dir, ".tmp."), (std::vector<std::string>{"other.defaults.tmp.Ab12Cd", "standard.defaults.tmp.note.txt"}));
}

TEST_F(UserDefaultsTest, KillsAtRandomMomentsLoseNoReturnedSetAndLeaveNoTemporaryFiles) {
    std::mt19937 random(12345);
    int lastSeen = -1;
    for (int round = 0; round < 25; ++round) {
        int pipefd[2];
        ASSERT_EQ(::pipe(pipefd), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipefd[0]);
            UserDefaults d("kills");
            for (int i = lastSeen + 1;; ++i) {
                d.set(i, "key." + std::to_string(i));
                if (::write(pipefd[1], &i, sizeof i) != sizeof i) ::_exit(1);
                // Large values make the journal outgrow its live data every few sets: the store is
                // rewriting itself much of the time, and the kill lands in this set.
                d.set(std::string(48 << 10, static_cast<char>('a' + i % 26)), "filler");
            }
        }
        ::close(pipefd[1]);
        // The kill follows the child's own progress, not a wall-clock window: once it has returned
        // from a chosen number of further keys it dies in the large set that follows (often in
        // the middle of a rewrite), however slow the machine.
        const int killAfter = lastSeen + 1 + static_cast<int>(random() % 3);
        int value = 0;
        bool reached = false;
        while (!reached && ::read(pipefd[0], &value, sizeof value) == sizeof value) {
            lastSeen = value;
            reached = value >= killAfter;
        }
        ::kill(child, SIGKILL);
        ASSERT_TRUE(reached) << "the writer stopped before set " << killAfter << " in round " << round;
        while (::read(pipefd[0], &value, sizeof value) == sizeof value) lastSeen = value;
        ::close(pipefd[0]);
        ::waitpid(child, nullptr, 0);

        auto d = reopened("kills");
        EXPECT_EQ(filesIn(configDir(), ".tmp."), std::vector<std::string>{}) << "round " << round;
        EXPECT_EQ(filesIn(configDir(), ".damaged-"), std::vector<std::string>{}) << "round " << round;
        for (int i = 0; i <= lastSeen; ++i) ASSERT_EQ(d.integer("key." + std::to_string(i)), i) << "round " << round;
        UserDefaults::releaseStores();
    }
    EXPECT_GE(lastSeen, 25);
}

TEST_F(UserDefaultsTest, OnAFullDiskSetsSayTheyFailedAndReadsShowOnlyWhatReachedTheDisk) {
    auto d = UserDefaults::standard();
    ASSERT_TRUE(d.set("v", "before"));
    int notices = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(kUserDefaultsCannotSaveNotification,
                                                                 [&](const Notification&) { ++notices; });
    EXPECT_FALSE(UserDefaults::cannotSave());
    std::vector<bool> stored;
    {
        FileSizeLimit full(std::filesystem::file_size(d.storePath()) + 3000);
        for (int i = 0; i < 200; ++i) stored.push_back(d.set(std::string(100, 'x'), "k" + std::to_string(i)));
        FileSizeLimit exactlyFull(std::filesystem::file_size(d.storePath()));
        EXPECT_FALSE(d.removeObject("before"));
        EXPECT_FALSE(d.setString(std::nullopt, "before"));
    }
    EXPECT_NE(std::count(stored.begin(), stored.end(), true), 0);
    EXPECT_NE(std::count(stored.begin(), stored.end(), false), 0);
    EXPECT_TRUE(UserDefaults::cannotSave());
    EXPECT_EQ(notices, 1);  // the user is told once, not for every refused value
    EXPECT_EQ(d.string("before"), "v");
    for (int i = 0; i < 200; ++i) EXPECT_EQ(d.object("k" + std::to_string(i)).has_value(), stored[i]) << i;

    auto again = reopened();
    EXPECT_EQ(again.string("before"), "v");
    for (int i = 0; i < 200; ++i) EXPECT_EQ(again.object("k" + std::to_string(i)).has_value(), stored[i]) << i;
    EXPECT_EQ(filesIn(configDir(), ".damaged-"), std::vector<std::string>{});
}

TEST_F(UserDefaultsTest, AFreshStoreOnAFullDiskStoresNothingUntilItCanWriteItsFile) {
    {
        FileSizeLimit full(0);
        auto d = UserDefaults::standard();
        EXPECT_FALSE(d.set(1, "k"));
        EXPECT_FALSE(d.object("k"));
        EXPECT_EQ(d.setIfAbsent(Value(true), "first"), Value(true));  // answered, not kept
        EXPECT_FALSE(d.object("first"));
    }
    auto d = UserDefaults::standard();
    EXPECT_TRUE(d.set(2, "k"));
    EXPECT_EQ(reopened().integer("k"), 2);
}

TEST_F(UserDefaultsTest, ValuesNestedPastTheBoundAreRefusedAndThoseWithinItSurvive) {
    auto d = UserDefaults::standard();
    log::Capture capture;
    EXPECT_FALSE(d.set(nestedLists(kMaxValueDepth + 1), "deep"));
    EXPECT_FALSE(d.object("deep"));
    EXPECT_TRUE(capture.containsText("nest"));
    EXPECT_FALSE(UserDefaults::cannotSave());  // a programming error, not a full disk
    ASSERT_TRUE(d.set(nestedLists(kMaxValueDepth), "deepest"));
    EXPECT_EQ(reopened().object("deepest"), nestedLists(kMaxValueDepth));
}

// Records whose payload does not parse, however they fail, are damage: the store opens with what
// came before them, moves the file aside and says so.
TEST_F(UserDefaultsTest, RecordsThatDoNotParseAreDamageNotACrash) {
    const std::string keyAndValue = "\xA2\x61k\x61x\x61v";  // {"k": "x", "v": ...
    struct Case {
        const char* name;
        std::string payload;
    } cases[] = {
        {"a list claiming 2^64-1 elements", keyAndValue + "\xA1\x61" "a\x9B\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"},
        {"a map claiming 2^64-1 entries", keyAndValue + "\xA1\x61m\xBB\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"},
        {"a list claiming 2^32 elements", keyAndValue + "\xA1\x61" "a\x9B\x00\x00\x00\x01\x00\x00\x00\x00"},
        {"200,000 nested lists", keyAndValue + std::string(200000, '\x81') + "\xF6"},
        {"a large list claiming more elements than it holds",
         keyAndValue + "\xA1\x61" "a\x9B\x00\x00\x00\x00\x00\x02\x00\x00" + std::string(100000, '\x01')},
        {"200,000 nested maps", keyAndValue + [] {
             std::string s;
             for (int i = 0; i < 200000; ++i) s += "\xA1\x61m";
             return s + "\xF6";
         }()},
        {"not a map", "\x18\x2A"},
        {"no key", std::string("\xA1\x61v\xA1\x61i\x01", 7)},
        {"a tag", "\xC1\x18\x2A"},
        {"bytes left over", std::string("\xA1\x61k\x61x\x00", 6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        paths::setConfigDirectoryOverride(dir.path());
        std::filesystem::path file;
        {
            auto d = reopened();
            ASSERT_TRUE(d.set("kept", "first"));
            file = d.storePath();
        }
        UserDefaults::releaseStores();
        appendTo(file, rawRecord(c.payload));
        appendTo(file, defaults::encodeRecord("after", nullptr));
        log::Capture capture;
        std::optional<UserDefaults> d;
        ASSERT_NO_THROW(d.emplace(UserDefaults::standard()));
        EXPECT_EQ(d->string("first"), "kept");
        EXPECT_EQ(d->allKeys().size(), 1u);
        EXPECT_TRUE(capture.containsText("is damaged"));
        EXPECT_EQ(filesIn(dir.path(), ".damaged-").size(), 1u);
        EXPECT_TRUE(d->set(1, "later"));
        EXPECT_EQ(reopened().integer("later"), 1);
    }
    paths::setConfigDirectoryOverride(configDir());
}

// Large values (the cached location lists) are read from the file on first use rather than at
// start. Whichever way a value left unread is first touched, it is the value that was set.
TEST_F(UserDefaultsTest, LargeValuesReadOnFirstUseAreTheValuesSetWhateverTouchesThemFirst) {
    Array lists;
    for (int i = 0; i < 400; ++i) {
        const std::string text = "{\"country\":\"Land " + std::to_string(i) + "\",\"cities\":[" + std::string(300, 'c') + "]}";
        lists.emplace_back(Bytes(text.begin(), text.end()));
    }
    const Value large(lists);
    const Value replacement(Array{Value("short")});
    struct Case {
        const char* name;
        std::function<void(UserDefaults&)> touch;
        Value expected;
    } cases[] = {
        {"read", [](UserDefaults&) {}, large},
        {"kept by a set-if-absent", [&](UserDefaults& d) { EXPECT_EQ(d.setIfAbsent(replacement, "lists"), large); }, large},
        {"replaced before it was read", [&](UserDefaults& d) { ASSERT_TRUE(d.set(replacement, "lists")); }, replacement},
        {"written out by a rewrite", [](UserDefaults& d) { ASSERT_TRUE(d.rewrite()); }, large},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            auto d = reopened();
            ASSERT_TRUE(d.set(large, "lists"));
            ASSERT_TRUE(d.set("small", "other"));
        }
        auto d = reopened();
        c.touch(d);
        EXPECT_EQ(d.object("lists"), c.expected);
        EXPECT_EQ(reopened().object("lists"), c.expected);
        EXPECT_EQ(UserDefaults::standard().string("other"), "small");
        ASSERT_TRUE(UserDefaults::standard().removeObject("lists"));
    }
}

// A large record that is whole and well formed but holds no value (only a faulty writer makes
// one) is not found until the value is asked for: it is then left out and said, and the store
// goes on.
TEST_F(UserDefaultsTest, ALargeRecordHoldingNoValueIsLeftOutWhenAskedFor) {
    std::filesystem::path file;
    {
        auto d = reopened();
        ASSERT_TRUE(d.set("kept", "first"));
        file = d.storePath();
    }
    UserDefaults::releaseStores();
    const auto bad = nlohmann::json::to_cbor(nlohmann::json{{"k", "lists"}, {"v", {{"x", std::string(100000, 'x')}}}});
    appendTo(file, rawRecord(std::string(bad.begin(), bad.end())));
    log::Capture capture;
    auto d = UserDefaults::standard();
    EXPECT_EQ(d.string("first"), "kept");
    EXPECT_FALSE(d.object("lists"));
    EXPECT_TRUE(capture.containsText("\"lists\""));
    EXPECT_TRUE(filesIn(configDir(), ".damaged-").empty());
    EXPECT_TRUE(d.set(1, "later"));
    auto again = reopened();
    EXPECT_EQ(again.integer("later"), 1);
    EXPECT_EQ(again.string("first"), "kept");
}

// A record whose length is damaged may claim to run past the end of the file, like a set that was
// cut off; only a record really cut off is dropped quietly. Every single-bit error in any of the
// three lengths is found, and the records before it are kept.
TEST_F(UserDefaultsTest, EveryFlippedBitInARecordLengthIsDamageNotATornTail) {
    std::filesystem::path file;
    {
        auto d = UserDefaults::standard();
        d.set("one", "a");
        d.set(std::string(300, 'b'), "b");
        d.set("three", "c");
        file = d.storePath();
    }
    UserDefaults::releaseStores();
    const std::string original = *paths::readFile(file);
    std::vector<std::size_t> lengthAt;
    for (std::size_t pos = defaults::kJournalMagic.size(); pos < original.size();) {
        lengthAt.push_back(pos);
        std::uint32_t size = 0;
        std::memcpy(&size, original.data() + pos, 4);
        pos += 8 + size;
    }
    ASSERT_EQ(lengthAt.size(), 3u);
    const std::vector<std::string> keys = {"a", "b", "c"};
    for (std::size_t record = 0; record < 3; ++record) {
        for (int bit = 0; bit < 32; ++bit) {
            SCOPED_TRACE("record " + std::to_string(record) + ", bit " + std::to_string(bit));
            for (const auto& name : filesIn(configDir(), ".damaged-")) std::filesystem::remove(configDir() / name);
            std::string damaged = original;
            damaged[lengthAt[record] + bit / 8] ^= static_cast<char>(1 << (bit % 8));
            std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged;
            log::Capture capture;
            auto d = reopened();
            for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(d.object(keys[k]).has_value(), k < record) << keys[k];
            EXPECT_TRUE(capture.containsText("is damaged"));
            EXPECT_EQ(filesIn(configDir(), ".damaged-").size(), 1u);
        }
    }
}

}  // namespace
