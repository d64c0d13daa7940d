#include "foundation/DistributedNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <mutex>

namespace morvex {

namespace {

constexpr const char* kPath = "/com/morvex/DistributedNotificationCenter";
constexpr const char* kInterface = "com.morvex.DistributedNotificationCenter";
constexpr const char* kSignal = "Posted";

// Receives the bus signal on the main thread and hands it to the in-process observers.
class BusReceiver : public QObject {
    Q_OBJECT
public:
    explicit BusReceiver(NotificationCenter& local) : local_(local) {}

public Q_SLOTS:
    void posted(const QString& name, const QString& object, const QDBusMessage& message) {
        local_.post(name.toStdString(), object.toStdString(),
                    {{kDistributedNotificationSenderKey, message.service().toStdString()}});
    }

private:
    NotificationCenter& local_;
};

}  // namespace

struct DistributedNotificationCenter::Impl {
    std::mutex mutex;
    NotificationCenter local;
    BusReceiver* receiver = nullptr;

    // Subscribes to every post on the session bus, once.
    bool listen() {
        std::lock_guard lock(mutex);
        if (receiver) return true;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return false;
        auto* r = new BusReceiver(local);
        if (auto* app = QCoreApplication::instance()) r->moveToThread(app->thread());
        if (!bus.connect(QString(), kPath, kInterface, kSignal, r, SLOT(posted(QString, QString, QDBusMessage)))) {
            delete r;
            return false;
        }
        // The bus handles one connection's messages in order: once this call is answered, the
        // subscription is in force, so a post that anyone makes from now on is not missed.
        bus.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "GetId"));
        receiver = r;
        return true;
    }
};

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter() {
    static DistributedNotificationCenter* center = new DistributedNotificationCenter();  // lives until exit
    return *center;
}

DistributedNotificationCenter::DistributedNotificationCenter() : impl_(new Impl()) {}

bool DistributedNotificationCenter::isSessionBusAvailable() {
    return QDBusConnection::sessionBus().isConnected();
}

ObserverToken DistributedNotificationCenter::addObserver(std::string_view name, std::optional<std::string> object,
                                                         std::function<void(const Notification&)> block) {
    if (!impl_->listen()) return {};
    return impl_->local.addObserver(name, [object = std::move(object), block = std::move(block)](
                                              const Notification& n) {
        if (object) {
            const auto* carried = n.objectAs<std::string>();
            if (!carried || *carried != *object) return;
        }
        block(n);
    });
}

bool DistributedNotificationCenter::post(std::string_view name, std::string_view object) {
    if (name.empty()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, kSignal);
    signal << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
           << QString::fromUtf8(object.data(), static_cast<qsizetype>(object.size()));
    return bus.send(signal);
}

}  // namespace morvex

#include "DistributedNotificationCenter.moc"
