#pragma once
// Stand-ins for the desktop's D-Bus services, for tests that run on a private session bus of
// their own (run-test.sh): the notification service, logind (sleep inhibitors and the sleep
// signal) and the desktop portal's colour-scheme setting. Each owns its well-known name on a
// connection of its own and answers on a thread of its own, so code under test may even wait
// for an answer. Made on a bus where the name is taken (a developer's own session), `available()`
// is false and the test should skip.
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace morvex::test {

class FakeDBusService {
public:
    virtual ~FakeDBusService();
    bool available() const { return available_; }
    QDBusConnection connection() const { return connection_; }

protected:
    FakeDBusService();
    // Moves the object to the service's thread and publishes it under the name and path.
    void start(QObject* object, const QString& service, const QString& path,
               QDBusConnection::RegisterOptions options = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    // Takes the name off the bus, deletes the object on its thread and ends the thread.
    void stop();
    // Runs `f` on the service's thread (signals are emitted from there).
    void onServiceThread(QObject* object, std::function<void()> f);

private:
    QThread thread_;
    QDBusConnection connection_;
    QString service_;
    QString name_;
    QString path_;
    QObject* object_ = nullptr;
    bool available_ = false;
};

struct ShownNotification {
    std::uint32_t id;
    std::string appName;
    std::string summary;
    std::string body;
    QVariantMap hints;
};

class NotificationServiceObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    mutable std::mutex mutex;
    std::vector<ShownNotification> shown;  // what is on screen now
    int notifyCalls = 0;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);
    QStringList GetCapabilities();

signals:
    void NotificationClosed(uint id, uint reason);

private:
    uint nextId_ = 1;
};

class FakeNotificationService : public FakeDBusService {
public:
    FakeNotificationService();
    ~FakeNotificationService() override;
    std::vector<ShownNotification> shown() const;
    int notifyCalls() const;

private:
    NotificationServiceObject* object_;  // owned by the service's thread
};

class LogindObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~LogindObject() override;
    mutable std::mutex mutex;
    struct Lock {
        QString what, who, why, mode;
        int readEnd;  // reaches end of file once every copy of the holder's end is closed
    };
    std::vector<Lock> locks;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode);

signals:
    void PrepareForSleep(bool start);
};

class FakeLogind : public FakeDBusService {
public:
    FakeLogind();
    ~FakeLogind() override;
    std::size_t lockCount() const;
    // True when the holder has closed the lock (logind would drop it).
    bool isReleased(std::size_t index) const;
    QString lockWhat(std::size_t index) const;
    void emitPrepareForSleep(bool start);

private:
    LogindObject* object_;
};

class PortalSettingsObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    std::atomic<uint> scheme{0};

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key);

signals:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);
};

class FakeColorSchemePortal : public FakeDBusService {
public:
    explicit FakeColorSchemePortal(uint initialScheme);
    ~FakeColorSchemePortal() override;
    // 0 no preference, 1 dark, 2 light; announced with SettingChanged.
    void setScheme(uint scheme);

private:
    PortalSettingsObject* object_;
};

class StatusNotifierWatcherObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)
public:
    mutable std::mutex mutex;
    QStringList items;

    bool isStatusNotifierHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredStatusNotifierItems() const;

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
};

// The desktop's status-notifier watcher with a host registered, as a panel that shows status
// items provides it: items register their bus names with it.
class FakeStatusNotifierWatcher : public FakeDBusService {
public:
    FakeStatusNotifierWatcher();
    ~FakeStatusNotifierWatcher() override;
    // The bus names of the items registered so far.
    QStringList items() const;

private:
    StatusNotifierWatcherObject* object_;
};

}  // namespace morvex::test
