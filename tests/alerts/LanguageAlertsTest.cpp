#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "alerts/AlertTestSupport.h"
#include "foundation/Log.h"

using namespace morvex;
using namespace morvex::test;

namespace {

namespace fs = std::filesystem;

// A bundle whose path holds blanks, both quotes, a dollar and a backquote, with programs that
// record how they were started.
class LanguageAlertsTest : public AlertTest {
protected:
    TempDir dir;
    fs::path bundle = dir.path() / "Morvex \"VPN\" 'beta' $HOME `id`.app";
    fs::path record = dir.path() / "record";

    void SetUp() override {
        AlertTest::SetUp();
        fs::create_directories(bundle / "Resources");
        fs::create_directories(bundle / "bin");
        Bundle::setMainBundlePath(bundle);
    }
    void TearDown() override {
        Bundle::setMainBundlePath(MORVEX_TEST_BUNDLE_DIR);
        setIsRelaunching(false);
        AlertTest::TearDown();
    }

    // A shell script that writes its argument count and then each argument on its own line (and
    // "$0" first) to the record file, moved into place whole.
    void writeRecorder(const fs::path& where) {
        std::ofstream out(where);
        out << "#!/bin/sh\n"
            << "{ printf '%s\\n' \"$0\" \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '"
            << record.string() << ".part' && mv '" << record.string() << ".part' '" << record.string() << "'\n";
        out.close();
        ::chmod(where.c_str(), 0755);
    }

    std::vector<std::string> recorded() {
        if (!waitUntil([&] { return fs::exists(record); })) return {};
        std::ifstream in(record);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

}  // namespace

TEST_F(LanguageAlertsTest, RestartScriptGetsTheBundlePathIntactAsItsOneArgument) {
    writeRecorder(bundle / "Resources" / "restart.sh");
    launchForReal = true;
    log::Capture lines;
    Alert().runRestartScript();

    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, "/bin/sh");
    EXPECT_EQ(launches[0].arguments,
              (std::vector<std::string>{(bundle / "Resources" / "restart.sh").string(), bundle.string()}));
    const auto got = recorded();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1], "1");
    EXPECT_EQ(got[2], bundle.string());

    // The application is asked to end on a later turn of the main queue, once.
    EXPECT_EQ(terminations, 0);
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_EQ(delayed[0].first, 0);
    runDelayed();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(exits.empty());
    EXPECT_FALSE(isRelaunching());
    EXPECT_TRUE(lines.contains("App Bundle Path: " + bundle.string()));
    EXPECT_TRUE(lines.contains("Helper script launched. Terminating current application."));
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(LanguageAlertsTest, MissingOrUnstartableScriptReportsItAndTheApplicationKeepsRunning) {
    for (bool scriptPresent : {false, true}) {
        SCOPED_TRACE(scriptPresent ? "launch fails" : "no restart.sh");
        presenter->shown.clear();
        launches.clear();
        if (scriptPresent) {
            writeRecorder(bundle / "Resources" / "restart.sh");
            launchFailure = Error("MorvexVPNErrorDomain", 1, "cannot start /bin/sh");
        }
        log::Capture lines;
        Alert().runRestartScript();

        EXPECT_EQ(launches.size(), scriptPresent ? 1u : 0u);
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_TRUE(presenter->shown[0].modal);  // the one alert that waits for its answer
        const Alert& failed = presenter->last();
        EXPECT_EQ(failed.title, localized("alert.title.restartFailed"));
        EXPECT_EQ(failed.message, localized("alert.message.restartFailed"));
        EXPECT_EQ(failed.style, Alert::Style::critical);
        EXPECT_EQ(failed.buttons, texts({"button.ok"}));
        EXPECT_TRUE(lines.contains(scriptPresent ? "Error: Failed to launch restart script - cannot start /bin/sh"
                                                 : "Error: Could not find restart.sh script in bundle resources."));
        EXPECT_TRUE(delayed.empty());
        EXPECT_EQ(terminations, 0);
        EXPECT_TRUE(exits.empty());
    }
}

TEST_F(LanguageAlertsTest, RelaunchPassesTheBundlePathAsAnArgumentAndEndsTheProcess) {
    writeRecorder(bundle / "bin" / "MorvexVPN");
    launchForReal = true;
    Alert().relaunchApp(0.0);

    EXPECT_TRUE(isRelaunching());
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(exits, std::vector<int>{0});
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, "/bin/sh");
    ASSERT_GE(launches[0].arguments.size(), 2u);
    EXPECT_EQ(launches[0].arguments[0], "-c");
    EXPECT_EQ(launches[0].arguments[1].find(bundle.string()), std::string::npos);  // never inside shell text
    EXPECT_EQ(launches[0].arguments[3], "0.0");
    const auto got = recorded();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], (bundle / "bin" / "MorvexVPN").string());
}

TEST_F(LanguageAlertsTest, ChangeLanguagePromptRelaunchesOnlyOnItsFirstButton) {
    Alert().showChangeLanguage(nullptr);
    EXPECT_TRUE(presenter->shown.empty());

    auto window = std::make_shared<TestWindow>();
    Alert().showChangeLanguage(window);
    EXPECT_EQ(presenter->last().window, window);
    EXPECT_EQ(presenter->last().buttons, texts({"setting.change.language.alert.button.one",
                                                "setting.change.language.alert.button.two"}));
    presenter->press(1);
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(isRelaunching());

    presenter->press(0);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].arguments[3], "1.0");
    EXPECT_EQ(launches[0].arguments[4], bundle.string());
    EXPECT_TRUE(isRelaunching());
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(LanguageAlertsTest, ConfirmationAnswersTheLanguagesScreenWhileItLives) {
    std::vector<bool> answers;
    auto screen = std::make_unique<Lifetime>();
    auto answer = [&] { return screen->callback<bool>([&](bool change) { answers.push_back(change); }); };

    {
        log::Capture lines;
        Alert().showConfirmLanguageChange(nullptr, answer());
        EXPECT_TRUE(lines.contains("Error: Could not find a window to present the language restart prompt."));
        EXPECT_TRUE(presenter->shown.empty());
        EXPECT_EQ(answers, std::vector<bool>{false});  // as cancelled
    }

    auto window = std::make_shared<TestWindow>();
    Alert().showConfirmLanguageChange(window, answer());
    EXPECT_EQ(presenter->last().buttons, texts({"button.confirmAndRestart", "button.cancel"}));
    presenter->press(1);
    presenter->press(0);
    EXPECT_EQ(answers, (std::vector<bool>{false, false, true}));

    screen.reset();
    presenter->press(0);
    Alert().showConfirmLanguageChange(nullptr, OwnedCallback<bool>(std::weak_ptr<const void>(),
                                                                   [&](bool change) { answers.push_back(change); }));
    EXPECT_EQ(answers.size(), 3u);

    // While connected the prompt only informs: one button, and nothing restarts.
    Alert().showConfirmLanguageChangeConnected(window);
    EXPECT_EQ(presenter->last().title, localized("alert"));
    EXPECT_EQ(presenter->last().buttons, texts({"ok"}));
    presenter->press(0);
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(terminations, 0);
}
