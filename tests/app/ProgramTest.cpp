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

TEST(ProgramTest, ShotsWritesItsPictures) {
    test::TempDir out;
    QProcess shots;
    shots.setProcessChannelMode(QProcess::MergedChannels);
    shots.start(MORVEX_SHOTS_PROGRAM, {"--out", QString::fromStdString(out.path().string())});
    // Every screen's states in both looks: a few minutes on a small, busy machine.
    ASSERT_TRUE(shots.waitForFinished(180000));
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
