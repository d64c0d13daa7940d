#pragma once
// Announces the application's appearance: "ThemeDidChangeNotification" on the default centre,
// with the appearance (an appkit::Appearance) as object, once when the notifier is made and again
// on every change. Views that draw theme colours redraw on it.
//
// Threads: made and told of changes on the main thread; posts there.
#include <QMetaObject>
#include <string>
#include <string_view>

#include "appkit/Application.h"

namespace morvex {

class ThemeNotifier {
public:
    static constexpr std::string_view themeDidChangeNotification = "ThemeDidChangeNotification";

    // Made on first use, following the shared application.
    static ThemeNotifier& shared();
    explicit ThemeNotifier(appkit::Application& application);
    ~ThemeNotifier();
    ThemeNotifier(const ThemeNotifier&) = delete;
    ThemeNotifier& operator=(const ThemeNotifier&) = delete;

private:
    QMetaObject::Connection observation_;
};

// "dark" when the application's appearance is the dark one, "light" otherwise.
std::string themeNameFor(appkit::Appearance appearance);
// Makes web links carry the application's current theme.
void installCurrentThemeName();

}  // namespace morvex
