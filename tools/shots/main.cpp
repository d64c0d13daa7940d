// morvex-shots --out DIR [--known FILE] [--language en|de] [screen…]: renders the screens' named
// states offscreen into DIR/<screen>-<state>[-de][-dark].png, against an in-process fake service and
// the simulated SDK, in English and German, light and dark. Every picture's labels and buttons are
// checked (text that does not fit its widget, text under 4.5:1 contrast), and every window for a
// width beyond the main window's (a page pushed out by its texts); offenders are printed by
// picture and widget, and the run fails on any not listed in the known file.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <fnmatch.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "FakeService.h"
#include "Shots.h"
#include "TextCheck.h"
#include "app/Storyboards.h"
#include "app/ThemeNotifier.h"
#include "appkit/Application.h"
#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "foundation/Paths.h"
#include "session/OAuthService.h"
#include "state/AppPreferences.h"
#include "ui/kit/ValueTransformers.h"

namespace {

// "<picture> <kind> <widget>" lines; '#' starts a comment. Pictures are named without ".png", and
// may be a shell pattern ("main-content-*", "*" for every picture the widget shows in).
std::set<std::string> readKnown(const std::string& file) {
    std::set<std::string> known;
    std::ifstream in(file);
    if (!in) {
        std::cerr << "morvex-shots: cannot read " << file << "\n";
        std::exit(2);
    }
    for (std::string line; std::getline(in, line);) {
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string picture, kind, widget;
        if (words >> picture >> kind >> widget) known.insert(picture + " " + kind + " " + widget);
    }
    return known;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = "shots";
    std::string knownFile;
    std::set<std::string> only;
    std::vector<std::string> languages = {"en", "de"};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) out = argv[++i];
        else if (arg == "--known" && i + 1 < argc) knownFile = argv[++i];
        else if (arg == "--language" && i + 1 < argc) languages = {argv[++i]};
        else if (arg == "--help" || arg == "-h") {
            std::cout << "usage: morvex-shots [--out DIR] [--known FILE] [--language en|de] [screen…]\n"
                         "  Renders each screen's states in light and dark, English and German, into DIR\n"
                         "  (<screen>-<state>[-de][-dark].png) and checks every label and button: text wider\n"
                         "  or taller than its widget, text under 4.5:1 contrast, a window grown wider than\n"
                         "  760 by its page. Exits non-zero on an\n"
                         "  offender not listed in FILE (\"<picture> <kind> <widget>\" lines).\n";
            return 0;
        } else only.insert(arg);
    }
    const std::set<std::string> known = knownFile.empty() ? std::set<std::string>{} : readKnown(knownFile);

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
    std::set<std::string> seenKnown;
    int offenders = 0, newOffenders = 0;
    const std::pair<morvex::appkit::Appearance, const char*> looks[] = {
        {morvex::appkit::Appearance::Aqua, ""}, {morvex::appkit::Appearance::DarkAqua, "-dark"}};
    for (const auto& language : languages) {
        QLocale::setDefault(QLocale(QString::fromStdString(language)));
        const std::string languageSuffix = language == "en" ? "" : "-" + language;
        for (const auto& [look, suffix] : looks) {
            for (const auto& shot : morvex::shots::registry()) {
                if (!only.empty() && !only.count(shot.screen)) continue;
                // Stored and set again for each: opening the main window applies the stored choice,
                // and a shot may switch the in-app language for its own picture.
                morvex::AppPreferences().setAppearance(look == morvex::appkit::Appearance::DarkAqua ? 2 : 1);
                application.setAppearance(look);
                morvex::Bundle::main().setLocalization(language);
                morvex::Bundle::setLanguage(language);
                // Stored too, as a user's choice is: pictures the application picks by the stored
                // language (the tab bar's hover tags) follow it.
                morvex::AppPreferences().defaults().set(language, morvex::AppPreferences::Key::preferredLanguageCode);
                const std::string name = shot.screen + "-" + shot.state + languageSuffix + suffix;
                const std::string file = out + "/" + name + ".png";
                morvex::shots::takeOffenders();
                QImage image = shot.render(context);
                morvex::shots::settle();
                const auto found = morvex::shots::takeOffenders();
                const std::string key = shot.screen + "-" + shot.state + languageSuffix;
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
                for (const auto& o : found) {
                    const std::string id = name + " " + o.kind + " " + o.widget;
                    const auto entry = std::find_if(known.begin(), known.end(), [&](const std::string& k) {
                        const auto space = k.find(' ');
                        return k.substr(space) == id.substr(id.find(' ')) &&
                               ::fnmatch(k.substr(0, space).c_str(), name.c_str(), 0) == 0;
                    });
                    const bool listed = entry != known.end();
                    if (listed) seenKnown.insert(*entry);
                    ++offenders;
                    newOffenders += listed ? 0 : 1;
                    std::cout << (listed ? "  known " : "  OFFENDER ") << id << ": " << o.detail << "\n";
                }
            }
        }
    }
    std::cout << "morvex-shots: " << written << " pictures, " << offenders << " offenders (" << newOffenders
              << " not in the known list)\n";
    if (!knownFile.empty() && only.empty() && languages.size() > 1) {
        for (const auto& id : known)
            if (!seenKnown.contains(id)) std::cout << "morvex-shots: known offender no longer found: " << id << "\n";
    }
    QDir(QString::fromStdString(scratch)).removeRecursively();
    if (written == 0 && failures == 0) std::cerr << "morvex-shots: no screen matched\n";
    if (!knownFile.empty() && newOffenders > 0) return 1;
    return failures == 0 && written > 0 ? 0 : 1;
}
