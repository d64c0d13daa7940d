#pragma once
// Light and dark. The desktop's choice comes from the XDG desktop portal's "color-scheme" setting
// (org.freedesktop.appearance): 1 prefers dark, anything else (no preference, light, no portal)
// counts as light. Qt 6.4 has no colour-scheme query of its own.
//
// Threads: main thread. The first reading is asynchronous, so start-up never waits on the portal;
// until it answers the system appearance is light.
#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QPalette>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace morvex::appkit {

enum class Appearance { Aqua, DarkAqua };

// "NSAppearanceNameAqua", "NSAppearanceNameDarkAqua".
std::string_view appearanceName(Appearance appearance);
// The best match of an appearance among candidates: itself when listed, else the first
// candidate of the same lightness, else none.
std::optional<Appearance> bestMatch(Appearance appearance, std::initializer_list<Appearance> candidates);
// The widget colours of an appearance.
QPalette paletteFor(Appearance appearance);

class SystemAppearance : public QObject {
    Q_OBJECT
public:
    // Listens on the session bus.
    SystemAppearance();
    // Listens on the given bus (tests run a portal of their own on a private bus).
    explicit SystemAppearance(const QDBusConnection& bus);

    Appearance current() const { return current_; }
    // Asks the portal again (at start this happens on its own).
    void refresh();

signals:
    void changed(morvex::appkit::Appearance appearance);

private slots:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void listen();
    void apply(const QVariant& colorScheme);

    QDBusConnection bus_;
    Appearance current_ = Appearance::Aqua;
};

}  // namespace morvex::appkit
