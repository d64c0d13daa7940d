#include "appkit/Appearance.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStyle>

namespace morvex::appkit {

namespace {
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");

// The portal wraps the value in one or two variants depending on its version.
QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}
}  // namespace

std::string_view appearanceName(Appearance appearance) {
    return appearance == Appearance::DarkAqua ? "NSAppearanceNameDarkAqua" : "NSAppearanceNameAqua";
}

std::optional<Appearance> bestMatch(Appearance appearance, std::initializer_list<Appearance> candidates) {
    for (Appearance c : candidates)
        if (c == appearance) return c;
    return std::nullopt;
}

QPalette paletteFor(Appearance appearance) {
    if (appearance == Appearance::Aqua) return QApplication::style()->standardPalette();
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x20), text(0xee, 0xee, 0xf0);
    // White on the highlight (selections, the default button) reads at 5.2:1.
    const QColor button(0x3a, 0x3a, 0x3e), highlight(0x2f, 0x6b, 0xc6), disabled(0x80, 0x80, 0x86);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, highlight.lighter(130));
    p.setColor(QPalette::Light, button.lighter(150));
    p.setColor(QPalette::Midlight, button.lighter(120));
    p.setColor(QPalette::Mid, button.darker(120));
    p.setColor(QPalette::Dark, button.darker(150));
    p.setColor(QPalette::Shadow, Qt::black);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

SystemAppearance::SystemAppearance() : SystemAppearance(QDBusConnection::sessionBus()) {}

SystemAppearance::SystemAppearance(const QDBusConnection& bus) : bus_(bus) { listen(); }

void SystemAppearance::listen() {
    if (!bus_.isConnected()) return;
    // The bus finds the slot's argument types by name: the variant's type must be known first.
    qRegisterMetaType<QDBusVariant>();
    bus_.connect(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("SettingChanged"), this,
                 SLOT(settingChanged(QString, QString, QDBusVariant)));
    refresh();
}

void SystemAppearance::refresh() {
    if (!bus_.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettingsInterface,
                                                       QStringLiteral("Read"));
    call << kAppearanceNamespace << kColorSchemeKey;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<QDBusVariant> reply = *w;
        // No portal, or one without the setting: the system stays light.
        if (!reply.isError()) apply(reply.value().variant());
        w->deleteLater();
    });
}

void SystemAppearance::settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value) {
    if (nameSpace == kAppearanceNamespace && key == kColorSchemeKey) apply(value.variant());
}

void SystemAppearance::apply(const QVariant& colorScheme) {
    QVariant plain = unwrap(colorScheme);
    bool ok = false;
    const uint scheme = plain.toUInt(&ok);
    const Appearance next = ok && scheme == 1 ? Appearance::DarkAqua : Appearance::Aqua;
    if (next == current_) return;
    current_ = next;
    emit changed(current_);
}

}  // namespace morvex::appkit
