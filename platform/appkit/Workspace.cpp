#include "appkit/Workspace.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QProcess>
#include <memory>

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

void Workspace::openFile(const std::filesystem::path& file, std::function<void(bool)> done, const QString& opener) {
    auto* process = new QProcess(QCoreApplication::instance());
    // One answer whichever of the process's signals comes first (a process that fails to start
    // reports only an error; one that crashes reports an error and then its end).
    auto answer = std::make_shared<std::function<void(bool)>>(std::move(done));
    auto finish = [process, answer](bool opened) {
        if (auto f = std::exchange(*answer, nullptr)) f(opened);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process, [process, finish](int code, QProcess::ExitStatus status) {
        (void)process;
        finish(status == QProcess::NormalExit && code == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
        // A crash is followed by finished(); only a start that failed ends here.
        if (error == QProcess::FailedToStart) finish(false);
    });
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(opener, {QString::fromStdString(file.string())});
}

void Workspace::revealFile(const std::filesystem::path& file) {
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(file.string())).toString();
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    call << QStringList{uri} << QString();
    const std::filesystem::path folder = file.parent_path();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFile(folder, [](bool) {});
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [folder](QDBusPendingCallWatcher* w) {
        if (w->isError()) openFile(folder, [](bool) {});
        w->deleteLater();
    });
}

}  // namespace morvex::appkit
