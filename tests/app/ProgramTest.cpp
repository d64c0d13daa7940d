// The built program and the screenshot tool, run as their own processes.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <filesystem>

#include "FakeService.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

QProcessEnvironment programEnvironment(const fake::FakeService& service, const test::TempDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("MORVEX_KEYCHAIN", "file");
    env.insert("MORVEX_SERVICE_URL", QString::fromStdString(service.baseURL()));
    env.insert("ZEVU_SERVER_OVERRIDE", QStringLiteral("127.0.0.1:%1").arg(service.port()));
    env.insert("HOME", QString::fromStdString(home.path().string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((home.path() / "config").string()));
    return env;
}

TEST(ProgramTest, TheProgramOpensItsMainWindowOffscreenAndQuitsWithStatusZero) {
    fake::FakeService service;
    ASSERT_TRUE(service.start());
    test::TempDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("MORVEX_KEYCHAIN", "file");
    env.insert("MORVEX_SERVICE_URL", QString::fromStdString(service.baseURL()));
    env.insert("ZEVU_SERVER_OVERRIDE", QStringLiteral("127.0.0.1:%1").arg(service.port()));
    env.insert("HOME", QString::fromStdString(home.path().string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((home.path() / "config").string()));

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(MORVEX_APPLICATION_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    QByteArray output;
    const bool opened = test::waitUntil([&] {
        output += program.readAll();
        return output.contains("[MainWindowController] main window shown") &&
               output.contains("[AppDelegate] LanguageManager initialized");
    }, std::chrono::milliseconds(15000));
    ASSERT_TRUE(opened) << output.toStdString();
    EXPECT_TRUE(std::filesystem::exists(home.path() / "config" / "MorvexVPN")) << "its state lives in the given folder";

    program.terminate();  // SIGTERM asks the application to quit, as a session ending does
    ASSERT_TRUE(program.waitForFinished(10000)) << output.toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << (output + program.readAll()).toStdString();
}

// The first start of a user who never chose a language: whatever the system speaks, the login
// window's texts are looked up in the language the language manager picks, the one the sign-in
// window and every later screen use (the manager is made before the first window).
TEST(ProgramTest, OnTheFirstStartTheLoginWindowSpeaksTheLanguageOfEveryLaterScreen) {
    fake::FakeService service;
    ASSERT_TRUE(service.start());
    for (const char* system : {"de_DE.UTF-8", "en_US.UTF-8"}) {
        SCOPED_TRACE(system);
        test::TempDir home;  // nothing stored: no language chosen
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MORVEX_KEYCHAIN", "file");
        env.insert("MORVEX_SERVICE_URL", QString::fromStdString(service.baseURL()));
        env.insert("ZEVU_SERVER_OVERRIDE", QStringLiteral("127.0.0.1:%1").arg(service.port()));
        env.insert("HOME", QString::fromStdString(home.path().string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((home.path() / "config").string()));
        for (const char* var : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(var);
        env.insert("LANG", system);

        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(MORVEX_APPLICATION_PROGRAM, {});
        ASSERT_TRUE(program.waitForStarted(5000));
        QByteArray output;
        // The login window's title is looked up through the manager's language, and that is German.
        const QByteArray lookup = "[PrivateBundle] Attempting to localize key: 'login.title'";
        const bool shown = test::waitUntil([&] {
            output += program.readAll();
            const auto at = output.indexOf(lookup);
            return at >= 0 && output.indexOf("Associated Language", at) >= 0;
        }, std::chrono::milliseconds(15000));
        program.terminate();
        program.waitForFinished(10000);
        output += program.readAll();
        ASSERT_TRUE(shown) << output.toStdString();
        const auto at = output.indexOf(lookup);
        const QByteArray language = output.mid(output.indexOf("Associated Language", at), 30);
        EXPECT_TRUE(language.startsWith("Associated Language: 'de'")) << language.toStdString();
        EXPECT_LT(output.indexOf("LanguageManager: Initial bundle language set."), at)
            << "the manager is made before the login window";
    }
}

// Both processes run on the test's private session bus: the second finds the first by its bus
// name, asks it to show its window, and leaves with status 0; the first stays and shows it.
TEST(ProgramTest, ASecondLaunchBringsTheFirstInstancesWindowUpAndExitsZero) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "needs a private session bus (run through run-test.sh)";
    fake::FakeService service;
    ASSERT_TRUE(service.start());
    test::TempDir home;
    const QProcessEnvironment env = programEnvironment(service, home);

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(MORVEX_APPLICATION_PROGRAM, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    QByteArray firstOutput;
    ASSERT_TRUE(test::waitUntil([&] {
        firstOutput += first.readAll();
        return firstOutput.contains("[MainWindowController] main window shown");
    }, std::chrono::milliseconds(15000))) << firstOutput.toStdString();

    QProcess second;
    second.setProcessEnvironment(env);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(MORVEX_APPLICATION_PROGRAM, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    const QByteArray secondOutput = second.readAll();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << secondOutput.toStdString();
    EXPECT_TRUE(secondOutput.contains("already running in this session: its window is shown")) << secondOutput.toStdString();
    EXPECT_FALSE(secondOutput.contains("[MainWindowController] main window shown")) << "the second process opened a window of its own";

    EXPECT_TRUE(test::waitUntil([&] {
        firstOutput += first.readAll();
        return firstOutput.contains("[Application] window shown at a second launch's request");
    }, std::chrono::milliseconds(10000))) << firstOutput.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance keeps running";

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
}

TEST(ProgramTest, ShotsWritesItsPictures) {
    test::TempDir out;
    QProcess shots;
    shots.setProcessChannelMode(QProcess::MergedChannels);
    // Two screens are enough to see the program write its pictures; every screen's states are
    // rendered by the shots_every_screen test.
    shots.start(MORVEX_SHOTS_PROGRAM, {"--out", QString::fromStdString(out.path().string()), "splash", "main-window"});
    ASSERT_TRUE(shots.waitForFinished(60000));
    const std::string log = shots.readAll().toStdString();
    ASSERT_EQ(shots.exitCode(), 0) << log;
    for (const char* name : {"splash-default.png", "main-window-after-splash.png", "main-window-quit-sheet.png"}) {
        SCOPED_TRACE(name);
        QImage image(QString::fromStdString((out.path() / name).string()));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(760, 500));
    }
}

}  // namespace
}  // namespace morvex
