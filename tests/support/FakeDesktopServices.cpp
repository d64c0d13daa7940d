#include "support/FakeDesktopServices.h"

#include <QDBusConnectionInterface>
#include <QMetaObject>
#include <gtest/gtest.h>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace morvex::test {

namespace {
std::atomic<int> g_connectionNumber{0};
}

FakeDBusService::FakeDBusService()
    : connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                QStringLiteral("morvex-fake-%1").arg(++g_connectionNumber))) {
    name_ = connection_.name();
}

FakeDBusService::~FakeDBusService() { stop(); }

void FakeDBusService::start(QObject* object, const QString& service, const QString& path,
                            QDBusConnection::RegisterOptions options) {
    object_ = object;
    path_ = path;
    if (!connection_.isConnected()) return;
    object->moveToThread(&thread_);
    thread_.start();
    auto reply = connection_.interface()->registerService(service, QDBusConnectionInterface::DontQueueService,
                                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        // On the bus run-test.sh made for this program nobody but an earlier case of the program
        // can hold the name: that case left its stand-in behind, and skipping would hide it.
        if (qEnvironmentVariableIsSet("MORVEX_TEST_PRIVATE_BUS"))
            ADD_FAILURE() << "the name " << service.toStdString() << " is taken on the program's own bus";
        return;
    }
    service_ = service;
    // The bus hooks its relay into the object: that has to happen on the object's own thread.
    bool registered = false;
    QDBusConnection connection = connection_;
    QMetaObject::invokeMethod(object, [&] {
        registered = connection.registerObject(path, object, options);
    }, Qt::BlockingQueuedConnection);
    available_ = registered;
}

void FakeDBusService::stop() {
    if (object_ && thread_.isRunning()) {
        QDBusConnection connection = connection_;
        const QString path = path_;
        QObject* object = object_;
        QMetaObject::invokeMethod(object, [connection, path, object]() mutable {
            connection.unregisterObject(path);
            delete object;
        }, Qt::BlockingQueuedConnection);
    } else {
        delete object_;
    }
    object_ = nullptr;
    available_ = false;
    if (thread_.isRunning()) {
        thread_.quit();
        thread_.wait();
    }
    if (!name_.isEmpty()) {
        if (!service_.isEmpty()) connection_.unregisterService(service_);
        QDBusConnection::disconnectFromBus(name_);
        name_.clear();
    }
}

void FakeDBusService::onServiceThread(QObject* object, std::function<void()> f) {
    QMetaObject::invokeMethod(object, std::move(f), Qt::BlockingQueuedConnection);
}

uint NotificationServiceObject::Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                                       const QString& body, const QStringList&, const QVariantMap& hints, int) {
    std::lock_guard lock(mutex);
    ++notifyCalls;
    ShownNotification n{0, appName.toStdString(), summary.toStdString(), body.toStdString(), hints};
    // As the freedesktop notification protocol has it: a replaces-id that is shown is replaced in place; any other
    // gives a new notification.
    for (auto& existing : shown) {
        if (replacesId != 0 && existing.id == replacesId) {
            n.id = replacesId;
            existing = n;
            return replacesId;
        }
    }
    n.id = nextId_++;
    shown.push_back(n);
    return n.id;
}

void NotificationServiceObject::CloseNotification(uint id) {
    {
        std::lock_guard lock(mutex);
        std::erase_if(shown, [id](const ShownNotification& n) { return n.id == id; });
    }
    emit NotificationClosed(id, 3);
}

QString NotificationServiceObject::GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
    vendor = QStringLiteral("morvex tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake-notifications");
}

QStringList NotificationServiceObject::GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("sound")}; }

FakeNotificationService::FakeNotificationService() : object_(new NotificationServiceObject) {
    start(object_, QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"));
}

FakeNotificationService::~FakeNotificationService() { stop(); }

std::vector<ShownNotification> FakeNotificationService::shown() const {
    std::lock_guard lock(object_->mutex);
    return object_->shown;
}

int FakeNotificationService::notifyCalls() const {
    std::lock_guard lock(object_->mutex);
    return object_->notifyCalls;
}

LogindObject::~LogindObject() {
    for (auto& l : locks) ::close(l.readEnd);
}

QDBusUnixFileDescriptor LogindObject::Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    QDBusUnixFileDescriptor handed(fds[1]);  // keeps a copy of its own
    ::close(fds[1]);
    std::lock_guard lock(mutex);
    locks.push_back({what, who, why, mode, fds[0]});
    return handed;
}

FakeLogind::FakeLogind() : object_(new LogindObject) {
    start(object_, QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"));
}

FakeLogind::~FakeLogind() { stop(); }

std::size_t FakeLogind::lockCount() const {
    std::lock_guard lock(object_->mutex);
    return object_->locks.size();
}

bool FakeLogind::isReleased(std::size_t index) const {
    std::lock_guard lock(object_->mutex);
    if (index >= object_->locks.size()) return false;
    pollfd p{object_->locks[index].readEnd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLIN));
}

QString FakeLogind::lockWhat(std::size_t index) const {
    std::lock_guard lock(object_->mutex);
    return index < object_->locks.size() ? object_->locks[index].what : QString();
}

void FakeLogind::emitPrepareForSleep(bool start) {
    LogindObject* o = object_;
    onServiceThread(o, [o, start] { emit o->PrepareForSleep(start); });
}

QDBusVariant PortalSettingsObject::Read(const QString& nameSpace, const QString& key) {
    if (nameSpace != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")) return {};
    // Older portals wrap the value twice, as this one does.
    return QDBusVariant(QVariant::fromValue(QDBusVariant(uint(scheme.load()))));
}

FakeColorSchemePortal::FakeColorSchemePortal(uint initialScheme) : object_(new PortalSettingsObject) {
    object_->scheme = initialScheme;
    start(object_, QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"));
}

FakeColorSchemePortal::~FakeColorSchemePortal() { stop(); }

void FakeColorSchemePortal::setScheme(uint scheme) {
    PortalSettingsObject* o = object_;
    o->scheme = scheme;
    onServiceThread(o, [o, scheme] {
        emit o->SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                               QDBusVariant(uint(scheme)));
    });
}

QStringList StatusNotifierWatcherObject::registeredStatusNotifierItems() const {
    std::lock_guard lock(mutex);
    return items;
}

void StatusNotifierWatcherObject::RegisterStatusNotifierItem(const QString& service) {
    {
        std::lock_guard lock(mutex);
        items.push_back(service);
    }
    emit StatusNotifierItemRegistered(service);
}

void StatusNotifierWatcherObject::RegisterStatusNotifierHost(const QString&) { emit StatusNotifierHostRegistered(); }

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher() : object_(new StatusNotifierWatcherObject) {
    start(object_, QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties);
}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher() { stop(); }

QStringList FakeStatusNotifierWatcher::items() const { return object_->registeredStatusNotifierItems(); }

}  // namespace morvex::test
