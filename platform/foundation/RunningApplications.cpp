#include "foundation/RunningApplications.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
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

}  // namespace

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
