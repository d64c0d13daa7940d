#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <thread>

#include "foundation/Log.h"
#include "helpertool/CallerCheck.h"
#include "helpertool/CodeSignature.h"
#include "support/TestSupport.h"

using namespace morvex;
using namespace morvex::helper;

namespace {

// Two signing keys and programs signed (or not) with them.
class CallerCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(generateSigningKey(key("ours")));
        ASSERT_TRUE(generateSigningKey(key("theirs")));
    }
    std::filesystem::path key(const std::string& name) const { return dir_.path() / (name + ".pem"); }
    std::filesystem::path program(const std::string& name, const std::string& contents = "program bytes") const {
        const auto p = dir_.path() / name;
        std::ofstream(p, std::ios::binary) << contents;
        return p;
    }
    std::filesystem::path signedProgram(const std::string& name, const std::string& keyName) const {
        const auto p = program(name, "code of " + name);
        EXPECT_TRUE(signProgram(p, key(keyName)));
        return p;
    }
    static StaticCode codeOf(const std::filesystem::path& p) { return {p, p.string() + ".sig"}; }
    CallerCheck checkFor(const std::filesystem::path& self, const std::filesystem::path& caller) const {
        return CallerCheck({[=] { return std::optional(codeOf(self)); },
                            [=](pid_t) { return std::optional(codeOf(caller)); }});
    }

    test::TempDir dir_;
};

}  // namespace

TEST_F(CallerCheckTest, SignatureNamesItsKeyAndCatchesEveryChange) {
    const auto p = signedProgram("app", "ours");
    const auto info = checkSignature(p, p.string() + ".sig");
    ASSERT_TRUE(info) << info.error().message;
    ASSERT_EQ(info->certificates.size(), 1u);
    EXPECT_EQ(info->certificates[0].size(), 32u);

    // The same program signed by another key names another signer.
    const auto q = dir_.path() / "app2";
    std::filesystem::copy_file(p, q);
    ASSERT_TRUE(signProgram(q, key("theirs")));
    EXPECT_NE(checkSignature(q, q.string() + ".sig")->certificates, info->certificates);

    // A changed program, a damaged signature file and a missing one all fail.
    std::ofstream(p, std::ios::app) << "x";
    EXPECT_FALSE(checkSignature(p, p.string() + ".sig"));
    std::ofstream(q.string() + ".sig") << "morvex-code-signature 1\nkey AAAA\nsignature AAAA\n";
    EXPECT_FALSE(checkSignature(q, q.string() + ".sig"));
    EXPECT_FALSE(checkSignature(program("bare"), (dir_.path() / "bare.sig")));
    EXPECT_FALSE(signProgram(p, program("not-a-key.pem", "garbage")));
}

TEST_F(CallerCheckTest, AProgramTooLargeToCheckIsRefusedUnread) {
    // Any local process can make the helper read its program: one larger than any real program,
    // with a signature file naming the helper's key, is refused before a byte of it is hashed.
    const auto helper = signedProgram("helper", "ours");
    const auto big = program("huge");
    std::filesystem::resize_file(big, kMaxCodeSize + 1);
    std::filesystem::copy_file(helper.string() + ".sig", big.string() + ".sig");
    const auto info = checkSignature(big, big.string() + ".sig");
    ASSERT_FALSE(info);
    EXPECT_EQ(info.error().code, 6);
    log::Capture capture;
    EXPECT_FALSE(checkFor(helper, big).isValid(1234));
    EXPECT_TRUE(capture.containsText("the code is too large to be checked"));
}

TEST_F(CallerCheckTest, SignatureFilesThatAreNoSmallRegularFilesAreRefusedUnread) {
    const auto helper = signedProgram("helper", "ours");
    const std::string sig = helper.string() + ".sig";
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
    };
    const Case cases[] = {
        {"a FIFO nobody writes to", [](const auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
        {"a link to an endless device", [](const auto& p) { std::filesystem::create_symlink("/dev/zero", p); }},
        {"a link to a good signature", [&](const auto& p) { std::filesystem::create_symlink(sig, p); }},
        {"a folder", [](const auto& p) { std::filesystem::create_directory(p); }},
        {"a good signature with more than a few kilobytes after it",
         [&](const auto& p) {
             std::filesystem::copy_file(sig, p);
             std::ofstream(p, std::ios::app) << std::string(kMaxSignatureSize, '\n');
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = program(std::string("copy of the helper, ") + c.name, "code of helper");
        c.make(p.string() + ".sig");
        const auto info = checkSignature(p, p.string() + ".sig");
        ASSERT_FALSE(info);
        EXPECT_EQ(info.error().code, 7) << info.error().message;
    }
}

TEST_F(CallerCheckTest, ACheckEndsAtItsDeadline) {
    const auto helper = signedProgram("helper", "ours");
    const auto big = program("big");
    std::filesystem::resize_file(big, 8u << 20);
    std::filesystem::copy_file(helper.string() + ".sig", big.string() + ".sig");
    const auto info = checkSignature(big, big.string() + ".sig", std::chrono::steady_clock::now());
    ASSERT_FALSE(info);
    EXPECT_EQ(info.error().code, 8);

    log::Capture capture;
    CallerCheck check({[&] { return std::optional(codeOf(helper)); }, [&](pid_t) { return std::optional(codeOf(big)); }},
                      std::chrono::milliseconds(0));
    EXPECT_FALSE(check.isValid(1234));
    EXPECT_TRUE(capture.containsText("the check took too long"));
}

TEST_F(CallerCheckTest, AProgramIsHashedOnceUntilItChanges) {
    const auto app = signedProgram("app", "ours");
    const std::string sig = app.string() + ".sig";
    SignatureVerdicts verdicts({256, std::chrono::milliseconds(0), 2});
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(verdicts.check(app, sig));
    EXPECT_EQ(verdicts.digestsComputed(), 1u);

    // A changed program is read again, and its new verdict is the one that counts.
    std::ofstream(app, std::ios::app) << "patch";
    EXPECT_FALSE(verdicts.check(app, sig));
    EXPECT_FALSE(verdicts.check(app, sig));
    EXPECT_EQ(verdicts.digestsComputed(), 2u);
    // So is one beside another signature.
    const auto other = signedProgram("other", "theirs");
    std::filesystem::copy_file(other.string() + ".sig", sig, std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(verdicts.check(app, sig));
    EXPECT_EQ(verdicts.digestsComputed(), 3u);

    // A program changed a moment ago may change again within the same clock tick: its verdict is
    // not kept.
    SignatureVerdicts careful({256, std::chrono::hours(1), 2});
    const auto fresh = signedProgram("fresh", "ours");
    EXPECT_TRUE(careful.check(fresh, fresh.string() + ".sig"));
    EXPECT_TRUE(careful.check(fresh, fresh.string() + ".sig"));
    EXPECT_EQ(careful.digestsComputed(), 2u);

    // The verdicts kept are bounded; the oldest go first.
    SignatureVerdicts small({2, std::chrono::milliseconds(0), 2});
    const auto a = signedProgram("a", "ours"), b = signedProgram("b", "ours"), c = signedProgram("c", "ours");
    for (const auto& p : {a, b, c, a}) small.check(p, p.string() + ".sig");
    EXPECT_EQ(small.digestsComputed(), 4u);
}

TEST_F(CallerCheckTest, NewProgramsAreHashedTwoAtATimeAndAWaitEndsAtTheDeadline) {
    // Eight callers with programs of their own at once, as new files cost a caller nothing.
    const auto helper = signedProgram("helper", "ours");
    std::vector<std::filesystem::path> programs;
    for (int i = 0; i < 8; ++i) {
        programs.push_back(program("unsigned " + std::to_string(i)));
        std::filesystem::resize_file(programs.back(), 16u << 20);
        std::filesystem::copy_file(helper.string() + ".sig", programs.back().string() + ".sig");
    }
    SignatureVerdicts verdicts;
    std::vector<std::thread> callers;
    for (const auto& p : programs)
        callers.emplace_back([&verdicts, p] { EXPECT_EQ(verdicts.check(p, p.string() + ".sig").error().code, 5); });
    for (auto& t : callers) t.join();
    EXPECT_EQ(verdicts.digestsComputed(), 8u);
    EXPECT_LE(verdicts.mostDigestsAtOnce(), 2);

    // With no turn to be had, a check waits only until its deadline.
    SignatureVerdicts none({256, std::chrono::seconds(1), 0});
    const auto start = std::chrono::steady_clock::now();
    const auto info = none.check(helper, helper.string() + ".sig", start + std::chrono::milliseconds(50));
    ASSERT_FALSE(info);
    EXPECT_EQ(info.error().code, 8);
}

TEST_F(CallerCheckTest, AcceptsOnlyCallersSignedByTheHelpersOwnKey) {
    const auto helper = signedProgram("helper", "ours");
    struct Case {
        const char* name;
        std::filesystem::path caller;
        bool valid;
        bool reportsError;
    };
    const Case cases[] = {
        {"same key", signedProgram("app", "ours"), true, false},
        {"another key", signedProgram("intruder", "theirs"), false, false},
        {"unsigned", program("unsigned"), false, true},
        {"changed after signing", [&] {
             auto p = signedProgram("patched", "ours");
             std::ofstream(p, std::ios::app) << "patch";
             return p;
         }(), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log::Capture capture;
        EXPECT_EQ(checkFor(helper, c.caller).isValid(1234), c.valid);
        EXPECT_EQ(capture.contains("Code signing check failed with error"), c.reportsError);
        EXPECT_TRUE(capture.contains("@CODESIGN secStaticCode forPID"));
    }
}

TEST_F(CallerCheckTest, EachStepTracesItselfAndEachOfItsTwoCalls) {
    const auto helper = signedProgram("helper", "ours");
    log::Capture capture;
    ASSERT_TRUE(checkFor(helper, signedProgram("app", "ours")).isValid(1234));
    const std::vector<std::string> codeInfo = {
        "@CODESIGN codeSigningCertificates(forStaticCode ", "@CODESIGN secCodeInfo(forStaticCode ",
        "@CODESIGN isValid secStaticCode", "@CODESIGN executeSecFunction", "@CODESIGN executeSecFunction"};
    std::vector<std::string> expected = {"@CODESIGN secStaticCodeSelf", "@CODESIGN executeSecFunction",
                                         "@CODESIGN executeSecFunction"};
    expected.insert(expected.end(), codeInfo.begin(), codeInfo.end());
    for (const char* line : {"@CODESIGN secStaticCode forPID", "@CODESIGN executeSecFunction",
                             "@CODESIGN executeSecFunction"})
        expected.emplace_back(line);
    expected.insert(expected.end(), codeInfo.begin(), codeInfo.end());
    EXPECT_EQ(capture.lines(), expected);

    // A call that fails ends its step: the one after it is never made.
    log::Capture failed;
    EXPECT_FALSE(checkFor(helper, program("unsigned")).isValid(1234));
    EXPECT_EQ(failed.count("@CODESIGN executeSecFunction"), 2u + 2u + 2u + 1u);
}

TEST_F(CallerCheckTest, AnUnsignedHelperServesNobody) {
    const auto helper = program("helper");
    const auto caller = signedProgram("app", "ours");
    EXPECT_FALSE(checkFor(helper, caller).isValid(1234));

    // A process that cannot be found is refused with the guest's message.
    log::Capture capture;
    CallerCheck noGuest({[&] { return std::optional(codeOf(signedProgram("h2", "ours"))); },
                         [](pid_t) { return std::optional<StaticCode>(); }});
    EXPECT_FALSE(noGuest.isValid(1234));
    EXPECT_TRUE(capture.containsText("SecCode returned empty from SecCodeCopyGuestWithAttributes"));
}

TEST_F(CallerCheckTest, RealProcessesAreReadThroughProc) {
    // This test program is signed by the build; the check of itself against itself holds.
    CallerCheck check;
    EXPECT_TRUE(check.isValid(::getpid()));
    EXPECT_FALSE(check.isValid(0));
}
