#include "appkit/PowerAssertion.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <unistd.h>

#include "foundation/Log.h"

namespace morvex::appkit {

PowerAssertions& PowerAssertions::shared() {
    static PowerAssertions assertions(QDBusConnection::systemBus(), "MorvexVPN");
    return assertions;
}

PowerAssertions::PowerAssertions(const QDBusConnection& bus, std::string applicationName)
    : bus_(bus), applicationName_(std::move(applicationName)) {}

PowerAssertions::~PowerAssertions() {
    for (auto& [id, fd] : locks_) ::close(fd);
}

IOReturn PowerAssertions::create(std::string_view type, std::uint32_t level, std::string_view name, IOPMAssertionID& id) {
    if (type != kIOPMAssertionTypePreventUserIdleSystemSleep || level != kIOPMAssertionLevelOn) return kIOReturnBadArgument;
    if (!bus_.isConnected()) {
        log::nslog("PowerAssertions: no system bus, so sleep cannot be held off");
        return kIOReturnError;
    }
    auto call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                               QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QString::fromStdString(applicationName_)
         << QString::fromUtf8(name.data(), qsizetype(name.size())) << QStringLiteral("block");
    QDBusReply<QDBusUnixFileDescriptor> reply = bus_.call(call, QDBus::Block, 5000);
    if (!reply.isValid() || !reply.value().isValid()) {
        log::nslog("PowerAssertions: logind refused the inhibitor: " + reply.error().message().toStdString());
        return kIOReturnError;
    }
    // The descriptor in the reply closes with it: keep a copy of our own.
    const int fd = ::dup(reply.value().fileDescriptor());
    if (fd < 0) return kIOReturnError;
    id = next_++;
    locks_.emplace(id, fd);
    return kIOReturnSuccess;
}

IOReturn PowerAssertions::release(IOPMAssertionID id) {
    auto it = locks_.find(id);
    if (it == locks_.end()) return kIOReturnNotFound;
    ::close(it->second);
    locks_.erase(it);
    return kIOReturnSuccess;
}

IOReturn IOPMAssertionCreateWithName(std::string_view type, std::uint32_t level, std::string_view name, IOPMAssertionID& id) {
    return PowerAssertions::shared().create(type, level, name, id);
}

IOReturn IOPMAssertionRelease(IOPMAssertionID id) { return PowerAssertions::shared().release(id); }

}  // namespace morvex::appkit
