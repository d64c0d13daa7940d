#include "app/ThemeNotifier.h"

#include <QCoreApplication>

#include "foundation/NotificationCenter.h"
#include "model/WebLinks.h"

namespace morvex {

namespace {
void post(appkit::Appearance appearance) {
    NotificationCenter::defaultCenter().post(ThemeNotifier::themeDidChangeNotification, appearance);
}
}  // namespace

ThemeNotifier& ThemeNotifier::shared() {
    static ThemeNotifier notifier(appkit::Application::shared());
    return notifier;
}

ThemeNotifier::ThemeNotifier(appkit::Application& application) {
    observation_ = QObject::connect(&application, &appkit::Application::effectiveAppearanceChanged, &application,
                                    [](appkit::Appearance appearance) { post(appearance); });
    post(application.effectiveAppearance());
}

ThemeNotifier::~ThemeNotifier() { QObject::disconnect(observation_); }

std::string themeNameFor(appkit::Appearance appearance) {
    auto match = appkit::bestMatch(appearance, {appkit::Appearance::Aqua, appkit::Appearance::DarkAqua});
    return match == appkit::Appearance::DarkAqua ? "dark" : "light";
}

void installCurrentThemeName() {
    setCurrentThemeNameProvider([] { return themeNameFor(appkit::Application::shared().effectiveAppearance()); });
}

}  // namespace morvex
