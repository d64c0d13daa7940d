#include "appkit/Workspace.h"

#include <QCoreApplication>
#include <QDesktopServices>

#include "foundation/Log.h"

namespace morvex::appkit {

Workspace& Workspace::shared() {
    static Workspace* workspace = [] {
        auto* w = new Workspace(QDBusConnection::systemBus());
        w->setParent(QCoreApplication::instance());
        return w;
    }();
    return *workspace;
}

Workspace::Workspace(const QDBusConnection& sleepBus) {
    QDBusConnection bus = sleepBus;
    if (!bus.isConnected()) return;
    listening_ = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                             SLOT(prepareForSleep(bool)));
}

void Workspace::prepareForSleep(bool starting) {
    center_.post(starting ? willSleepNotification : didWakeNotification);
}

bool Workspace::openURL(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        log::nslog("Workspace: not opening \"" + url.toString().toStdString() + "\": only http and https pages are opened");
        return false;
    }
    return QDesktopServices::openUrl(url);
}

bool Workspace::openURL(std::string_view url) {
    return openURL(QUrl(QString::fromUtf8(url.data(), qsizetype(url.size())), QUrl::StrictMode));
}

}  // namespace morvex::appkit
