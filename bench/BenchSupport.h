#pragma once
// What the benchmark programs that show the application's pages share: running the event loop for a
// while, and a process set up as the application runs against the fake service.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

#include "FakeService.h"
#include "app/Storyboards.h"
#include "app/ThemeNotifier.h"
#include "appkit/Application.h"
#include "foundation/Bundle.h"
#include "foundation/Paths.h"
#include "ui/kit/ValueTransformers.h"

namespace morvex::bench {

// Runs the event loop for that long; what the timers, the painting and the service's answers do
// meanwhile belongs to the measurement.
inline void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The process as the application runs against the started fake service: offscreen, the keychain in
// a file, no session bus, the configuration in a scratch folder of its own (removed with this
// object), the build's bundle, the storyboards, the value transformers and the theme. Made first
// in main, before anything reads the environment.
class PageProcess {
public:
    PageProcess(int& argc, char** argv, const fake::FakeService& service, const char* name)
        : scratch_(prepareEnvironment(service, name)), qt_(argc, argv) {
        Bundle::setMainBundlePath(MORVEX_BUNDLE_DIR);
        application_.emplace();
        registerStoryboards();
        registerValueTransformers();
        installCurrentThemeName();
    }
    ~PageProcess() { QDir(QString::fromStdString(scratch_)).removeRecursively(); }
    PageProcess(const PageProcess&) = delete;
    PageProcess& operator=(const PageProcess&) = delete;

private:
    static std::string prepareEnvironment(const fake::FakeService& service, const char* name) {
        const std::string scratch =
            QDir::temp().filePath(QStringLiteral("morvex-bench-%1-%2").arg(QString::fromLatin1(name)).arg(::getpid())).toStdString();
        ::setenv("MORVEX_SERVICE_URL", service.baseURL().c_str(), 1);
        ::setenv("ZEVU_SERVER_OVERRIDE", ("127.0.0.1:" + std::to_string(service.port())).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("MORVEX_KEYCHAIN", "file", 1);
        ::setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        paths::setConfigDirectoryOverride(scratch + "/config/MorvexVPN");
        return scratch;
    }

    std::string scratch_;
    QApplication qt_;
    std::optional<appkit::Application> application_;
};

}  // namespace morvex::bench
