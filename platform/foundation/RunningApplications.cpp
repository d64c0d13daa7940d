#include "foundation/RunningApplications.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace morvex {

namespace {

Error failure(RunningApplications::ErrorCode code, std::string message) {
    return Error(std::string(RunningApplications::errorDomain), code, std::move(message));
}

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isElementCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// The object a second launch calls. Only the desktop's Activate (platform data ignored) is
// answered, and only for a caller of this process's own user; everything else is refused.
class ActivationObject : public QDBusVirtualObject {
public:
    explicit ActivationObject(std::function<void()> show) : show_(std::move(show)) {}

    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"%1\"><method name=\"%2\"><arg type=\"a{sv}\" name=\"platform_data\" direction=\"in\"/></method></interface>")
            .arg(qs(RunningApplications::kActivationInterface), qs(RunningApplications::kActivateMethod));
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage) return false;
        if (message.interface() != qs(RunningApplications::kActivationInterface) ||
            message.member() != qs(RunningApplications::kActivateMethod))
            return false;
        const QDBusReply<uint> user = connection.interface()->serviceUid(message.service());
        if (!user.isValid() || user.value() != ::getuid()) {
            connection.send(message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("Not this user's session")));
            return true;
        }
        connection.send(message.createReply());
        // The bus may deliver on its own thread; the window is shown on the main thread.
        if (show_ && QCoreApplication::instance())
            QMetaObject::invokeMethod(QCoreApplication::instance(), show_, Qt::QueuedConnection);
        return true;
    }

private:
    std::function<void()> show_;
};

}  // namespace

Result<void> RunningApplications::answerShowRequests(std::string_view bundleIdentifier, std::function<void()> show) {
    if (!busName(bundleIdentifier))
        return fail(failure(invalidIdentifier, "\"" + std::string(bundleIdentifier) + "\" is not a bundle identifier"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return fail(failure(noSessionBus, "The session bus cannot be reached"));
    // Lives as long as the process: the bus connection keeps only a pointer.
    static ActivationObject* object = nullptr;
    if (object) bus.unregisterObject(qs(kActivationPath));
    delete object;
    object = new ActivationObject(std::move(show));
    if (!bus.registerVirtualObject(qs(kActivationPath), object))
        return fail(failure(noSessionBus, "The session bus refused the object " + std::string(kActivationPath)));
    return {};
}

Result<void> RunningApplications::askToShow(std::string_view bundleIdentifier) {
    auto name = busName(bundleIdentifier);
    if (!name) return fail(failure(invalidIdentifier, "\"" + std::string(bundleIdentifier) + "\" is not a bundle identifier"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return fail(failure(noSessionBus, "The session bus cannot be reached"));
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromStdString(*name), qs(kActivationPath),
                                                       qs(kActivationInterface), qs(kActivateMethod));
    call << QVariantMap{};
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return fail(failure(launchFailed, "The running instance did not answer: " + reply.errorMessage().toStdString()));
    return {};
}

std::optional<std::string> RunningApplications::busName(std::string_view bundleIdentifier) {
    std::string name;
    int elements = 0;
    std::size_t start = 0;
    while (start <= bundleIdentifier.size()) {
        std::size_t end = bundleIdentifier.find('.', start);
        if (end == std::string_view::npos) end = bundleIdentifier.size();
        std::string_view element = bundleIdentifier.substr(start, end - start);
        if (element.empty()) return std::nullopt;
        for (char c : element)
            if (!isElementCharacter(c)) return std::nullopt;
        if (elements++ > 0) name += '.';
        if (element.front() >= '0' && element.front() <= '9') name += '_';
        name += element;
        start = end + 1;
    }
    // The bus refuses names longer than 255 characters.
    if (elements < 2 || name.size() > 255) return std::nullopt;
    return name;
}

bool RunningApplications::isRunning(std::string_view bundleIdentifier) {
    auto name = busName(bundleIdentifier);
    if (!name) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    QDBusReply<bool> reply = bus.interface()->isServiceRegistered(QString::fromStdString(*name));
    return reply.isValid() && reply.value();
}

bool RunningApplications::isApplicationConnection(std::string_view bundleIdentifier, std::string_view uniqueName) {
    auto name = busName(bundleIdentifier);
    if (!name || uniqueName.empty()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(QString::fromStdString(*name));
    if (!owner.isValid() || owner.value() != qs(uniqueName)) return false;
    const QDBusReply<uint> user = bus.interface()->serviceUid(qs(uniqueName));
    return user.isValid() && user.value() == ::getuid();
}

Result<void> RunningApplications::announce(std::string_view bundleIdentifier) {
    auto name = busName(bundleIdentifier);
    if (!name) return fail(failure(invalidIdentifier, "\"" + std::string(bundleIdentifier) + "\" is not a bundle identifier"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return fail(failure(noSessionBus, "The session bus cannot be reached"));
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        QString::fromStdString(*name), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return fail(failure(noSessionBus, "The session bus refused the name " + *name + ": " +
                                              reply.error().message().toStdString()));
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return fail(failure(alreadyRunning, "Another process already runs as " + *name));
    return {};
}

Result<std::int64_t> RunningApplications::launchApplication(const std::filesystem::path& executable,
                                                            const std::vector<std::string>& arguments) {
    std::error_code ec;
    if (executable.empty() || !std::filesystem::is_regular_file(executable, ec) ||
        ::access(executable.c_str(), X_OK) != 0)
        return fail(failure(launchFailed, "\"" + executable.string() + "\" is not an executable program"));
    QStringList args;
    for (const auto& a : arguments) args << qs(a);
    qint64 pid = 0;
    if (!QProcess::startDetached(QString::fromStdString(executable.string()), args, QString(), &pid))
        return fail(failure(launchFailed, "\"" + executable.string() + "\" could not be started"));
    return static_cast<std::int64_t>(pid);
}

}  // namespace morvex
