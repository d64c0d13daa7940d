// morvex-shots --out DIR [screen…]: renders the screens' named states offscreen into
// DIR/<screen>-<state>.png, against an in-process fake service and the simulated SDK.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <unistd.h>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "FakeService.h"
#include "Shots.h"
#include "app/Storyboards.h"
#include "app/ThemeNotifier.h"
#include "appkit/Application.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/Paths.h"
#include "session/OAuthService.h"
#include "state/AppPreferences.h"
#include "ui/kit/ValueTransformers.h"

int main(int argc, char** argv) {
    std::string out = "shots";
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) out = argv[++i];
        else if (arg == "--help" || arg == "-h") {
            std::cout << "usage: morvex-shots [--out DIR] [screen…]\n";
            return 0;
        } else only.insert(arg);
    }

    // Everything the screens reach goes to local stand-ins, and nothing of the user's own
    // preferences or desktop shows in the pictures.
    morvex::fake::FakeService service;
    if (!service.start()) {
        std::cerr << "morvex-shots: the fake service cannot listen\n";
        return 1;
    }
    const std::string scratch = QDir::temp().filePath(QStringLiteral("morvex-shots-%1").arg(::getpid())).toStdString();
    ::setenv("MORVEX_SERVICE_URL", service.baseURL().c_str(), 1);
    ::setenv("ZEVU_SERVER_OVERRIDE", ("127.0.0.1:" + std::to_string(service.port())).c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("MORVEX_KEYCHAIN", "file", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    ::setenv("LANGUAGE", "en", 1);
    ::setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
    QDir().mkpath(QString::fromStdString(scratch + "/runtime"));
    QFile::setPermissions(QString::fromStdString(scratch + "/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ::setenv("XDG_RUNTIME_DIR", (scratch + "/runtime").c_str(), 1);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    // Pages shown in web views come from the local fake service; Chromium refuses to run its
    // sandbox as root (CI containers).
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    morvex::paths::setConfigDirectoryOverride(scratch + "/config/MorvexVPN");

    QApplication qtApplication(argc, argv);
    // The build's bundle, unless MORVEX_BUNDLE_PATH points at another (to look at other resources).
    if (const char* bundle = std::getenv("MORVEX_BUNDLE_PATH"); !bundle || !*bundle)
        morvex::Bundle::setMainBundlePath(MORVEX_SHOTS_BUNDLE_DIR);
    QApplication::setApplicationName(QStringLiteral("MorvexVPN"));
    QApplication::setWindowIcon(morvex::appkit::imageNamed("AppIcon"));
    morvex::appkit::Application application;
    morvex::OAuthService::shared();
    morvex::registerStoryboards();
    morvex::shots::watchAnimations();
    morvex::registerValueTransformers();
    morvex::installCurrentThemeName();

    QDir().mkpath(QString::fromStdString(out));
    morvex::shots::Context context{service};
    int failures = 0, written = 0;
    // Every state in the light look (<screen>-<state>.png) and the dark one (…-dark.png), chosen
    // the way a user chooses it (the stored appearance, which the main window applies as it opens).
    // A dark picture that equals its light one is not written again; the line printed says so.
    std::map<std::string, QImage> lightImages;
    const std::pair<morvex::appkit::Appearance, const char*> looks[] = {
        {morvex::appkit::Appearance::Aqua, ""}, {morvex::appkit::Appearance::DarkAqua, "-dark"}};
    for (const auto& [look, suffix] : looks) {
        for (const auto& shot : morvex::shots::registry()) {
            if (!only.empty() && !only.count(shot.screen)) continue;
            // Stored and set again for each: opening the main window applies the stored choice.
            morvex::AppPreferences().setAppearance(look == morvex::appkit::Appearance::DarkAqua ? 2 : 1);
            application.setAppearance(look);
            const std::string file = out + "/" + shot.screen + "-" + shot.state + suffix + ".png";
            QImage image = shot.render(context);
            morvex::shots::settle();
            const std::string key = shot.screen + "-" + shot.state;
            if (*suffix == '\0') {
                lightImages[key] = image;
            } else if (!image.isNull() && lightImages[key] == image) {
                QFile::remove(QString::fromStdString(file));
                std::cout << file << ": same as the light look, not written\n";
                continue;
            }
            if (image.isNull() || !image.save(QString::fromStdString(file))) {
                std::cerr << "morvex-shots: could not render " << file << "\n";
                ++failures;
                continue;
            }
            std::cout << file << "\n";
            ++written;
        }
    }
    QDir(QString::fromStdString(scratch)).removeRecursively();
    if (written == 0 && failures == 0) std::cerr << "morvex-shots: no screen matched\n";
    return failures == 0 && written > 0 ? 0 : 1;
}
