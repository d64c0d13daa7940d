#pragma once
// Keeping the machine awake: an assertion is a logind inhibitor lock ("sleep:idle", mode
// "block") taken on the system bus. logind holds the lock for as long as the file descriptor it
// handed out stays open; releasing the assertion closes it. Identifiers are never reused, so an
// identifier released once is simply unknown afterwards.
//
// Threads: main thread (the inhibitor call waits for logind's answer, as taking the lock must).
#include <QDBusConnection>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace morvex::appkit {

// Which is which: IOPMAssertionID, IOReturn, kIOReturn… and kIOPMAssertion… are interface names
// this shim keeps for its callers; underneath they are plain numbers and texts over logind.
using IOPMAssertionID = std::uint32_t;
using IOReturn = int;
inline constexpr IOReturn kIOReturnSuccess = 0;
inline constexpr IOReturn kIOReturnError = static_cast<int>(0xe00002bc);
inline constexpr IOReturn kIOReturnBadArgument = static_cast<int>(0xe00002c2);
inline constexpr IOReturn kIOReturnNotFound = static_cast<int>(0xe00002f0);
inline constexpr std::string_view kIOPMAssertionTypePreventUserIdleSystemSleep = "PreventUserIdleSystemSleep";
inline constexpr std::uint32_t kIOPMAssertionLevelOff = 0;
inline constexpr std::uint32_t kIOPMAssertionLevelOn = 255;

class PowerAssertions {
public:
    // The process's assertions, on the system bus.
    static PowerAssertions& shared();
    // Assertions taken on the given bus (tests run a logind of their own).
    PowerAssertions(const QDBusConnection& bus, std::string applicationName);
    ~PowerAssertions();
    PowerAssertions(const PowerAssertions&) = delete;
    PowerAssertions& operator=(const PowerAssertions&) = delete;

    // Takes the lock; on success `id` names it. Errors: a level other than on or an unknown type
    // (bad argument), no logind or a refused lock (error).
    IOReturn create(std::string_view type, std::uint32_t level, std::string_view name, IOPMAssertionID& id);
    // Gives the lock back; not found for an identifier that is not held.
    IOReturn release(IOPMAssertionID id);
    bool isHeld(IOPMAssertionID id) const { return locks_.count(id) != 0; }
    std::size_t heldCount() const { return locks_.size(); }

private:
    QDBusConnection bus_;
    std::string applicationName_;
    std::map<IOPMAssertionID, int> locks_;  // identifier → the inhibitor's file descriptor
    IOPMAssertionID next_ = 1;
};

// The framework-shaped calls the preferences and the application delegate use.
IOReturn IOPMAssertionCreateWithName(std::string_view type, std::uint32_t level, std::string_view name,
                                     IOPMAssertionID& id);
IOReturn IOPMAssertionRelease(IOPMAssertionID id);

}  // namespace morvex::appkit
