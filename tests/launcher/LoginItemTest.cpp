#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "LauncherFixture.h"
#include "foundation/Bundle.h"
#include "foundation/LoginItem.h"
#include "foundation/RunningApplications.h"

using namespace morvex;
namespace fs = std::filesystem;

namespace {

struct DesktopEntry {
    std::vector<std::string> groups;
    std::map<std::string, std::string> values;  // of [Desktop Entry]
};

DesktopEntry readEntry(const fs::path& file) {
    DesktopEntry entry;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            entry.groups.push_back(line);
            continue;
        }
        auto eq = line.find('=');
        if (eq != std::string::npos && entry.groups.size() == 1) entry.values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return entry;
}

// The program and arguments of an Exec value, read the way a desktop session reads it: the
// string escapes first, then the field codes ("%%" is a plain "%"), then the quoting.
std::vector<std::string> execArguments(const std::string& value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            char next = value[++i];
            text += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            text += value[i];
        }
    }
    for (std::size_t at = 0; (at = text.find("%%", at)) != std::string::npos; ++at) text.erase(at, 1);
    std::vector<std::string> args;
    std::string current;
    bool inArg = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size()) current += text[++i];
            else if (c == '"') quoted = false;
            else current += c;
        } else if (c == '"') {
            quoted = inArg = true;
        } else if (c == ' ') {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(current);
    return args;
}

class LoginItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoginItems::setAutostartDirectoryOverride(autostart.path() / "autostart");
        Bundle::setMainBundlePath(bundle.appBundle);
    }
    void TearDown() override {
        LoginItems::setAutostartDirectoryOverride({});
        Bundle::setMainBundlePath(MORVEX_TEST_BUNDLE_DIR);
    }
    fs::path entryFile() const { return autostart.path() / "autostart" / (bundle.launcherIdentifier + ".desktop"); }

    test::TempDir autostart;
    test::LauncherBundle bundle;
};

TEST_F(LoginItemTest, EnablingWritesAnEntryThatRunsTheLauncherAndDisablingRemovesIt) {
    ASSERT_TRUE(SMLoginItemSetEnabled(bundle.launcherIdentifier, true));
    ASSERT_TRUE(SMLoginItemSetEnabled(bundle.launcherIdentifier, true));  // again: the same entry
    ASSERT_TRUE(fs::is_regular_file(entryFile()));

    QProcess validate;
    validate.start("desktop-file-validate", {QString::fromStdString(entryFile().string())});
    ASSERT_TRUE(validate.waitForFinished(10000)) << "desktop-file-validate (desktop-file-utils) is needed";
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ((validate.readAllStandardOutput() + validate.readAllStandardError()).toStdString(), "");

    auto entry = readEntry(entryFile());
    EXPECT_EQ(entry.groups, std::vector<std::string>{"[Desktop Entry]"});
    EXPECT_EQ(entry.values["Type"], "Application");
    auto command = execArguments(entry.values["Exec"]);
    ASSERT_EQ(command, std::vector<std::string>{bundle.launcherProgram.string()}) << entry.values["Exec"];

    // Run what the session would run at log-in: the launcher starts the application, which
    // sends it away.
    bundle.writeApplication(/*killsLauncher=*/true);
    auto launcher = bundle.startLauncher({QString::fromStdString(command[0])});
    ASSERT_TRUE(bundle.waitForLog("told the launcher to quit")) << testing::PrintToString(bundle.log());
    ASSERT_TRUE(test::waitForExit(*launcher));
    EXPECT_EQ(launcher->exitCode(), 0);

    EXPECT_TRUE(SMLoginItemSetEnabled(bundle.launcherIdentifier, false));
    EXPECT_FALSE(fs::exists(entryFile()));
    EXPECT_TRUE(SMLoginItemSetEnabled(bundle.launcherIdentifier, false));  // already off
    EXPECT_TRUE(fs::is_empty(entryFile().parent_path()));                    // no temporary left over
}

TEST_F(LoginItemTest, UnknownLoginItemsAndBadIdentifiersAnswerFalseAndWriteNothing) {
    for (std::string identifier : {"com.morvex.mac.vpn.nothing", "", "../../.bashrc", "com.morvex/x", "single"}) {
        SCOPED_TRACE(identifier);
        EXPECT_FALSE(SMLoginItemSetEnabled(identifier, true));
    }
    for (std::string identifier : {"", "../../.bashrc", "com.morvex/x"}) {
        SCOPED_TRACE(identifier);
        EXPECT_FALSE(SMLoginItemSetEnabled(identifier, false));
    }
    EXPECT_FALSE(fs::exists(autostart.path() / "autostart"));
}

TEST_F(LoginItemTest, AnUnwritableAutostartFolderAnswersFalse) {
    struct Case {
        const char* label;
        std::function<void(const fs::path& folder)> prepare;
        bool disableFails;
    };
    std::vector<Case> cases = {
        {"the folder is a file", [](const fs::path& folder) { std::ofstream(folder) << "x"; }, false},
        {"its parent is a file",
         [](const fs::path& folder) {
             fs::remove_all(folder.parent_path());
             std::ofstream(folder.parent_path()) << "x";
         },
         false},
        {"the entry is a folder with contents",
         [this](const fs::path& folder) {
             fs::create_directories(folder / (bundle.launcherIdentifier + ".desktop") / "inside");
         }, true},
    };
    // Permissions hold back everyone but the superuser.
    if (::geteuid() != 0)
        cases.push_back({"the folder is read-only",
                         [](const fs::path& folder) {
                             fs::create_directories(folder);
                             fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
                         },
                         false});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        test::TempDir dir;
        const auto folder = dir.path() / "config" / "autostart";
        fs::create_directories(folder.parent_path());
        c.prepare(folder);
        LoginItems::setAutostartDirectoryOverride(folder);
        EXPECT_FALSE(SMLoginItemSetEnabled(bundle.launcherIdentifier, true));
        EXPECT_EQ(SMLoginItemSetEnabled(bundle.launcherIdentifier, false), !c.disableFails);
        std::error_code ec;
        fs::permissions(folder, fs::perms::owner_all, ec);
    }
}

TEST(LoginItemBundleTest, TheBuiltApplicationCarriesItsLauncherAsLoginItem) {
    Bundle app(MORVEX_TEST_BUNDLE_DIR);
    auto identifier = app.string("Launcher Bundle identifier");
    ASSERT_TRUE(identifier);
    EXPECT_EQ(LoginItems::loginItemExecutable(*identifier),
              fs::path(MORVEX_TEST_LAUNCHER_BUNDLE_DIR) / "bin" / "MorvexVPNLauncher");
    // The launcher starts the application that ships around it.
    Bundle launcher(MORVEX_TEST_LAUNCHER_BUNDLE_DIR);
    EXPECT_EQ(launcher.string("Application Bundle identifier"), app.bundleIdentifier());
    EXPECT_TRUE(fs::is_regular_file(app.executableDirectory() / *launcher.string("Application Name")));
}

}  // namespace
