#pragma once
// Notifications between processes of the same user session, carried as signals on the D-Bus
// session bus. A post reaches every process that observes its name, the poster included. The
// object of a distributed notification is a text (often a bundle identifier); an empty text
// stands for "no object".
//
// Observers are called on the thread of the Qt event loop (the main thread) when that loop runs;
// the notification's object is a std::string, and its user info holds under
// kDistributedNotificationSenderKey the poster's unique bus name (a std::string such as ":1.42"):
// the one thing about a post that the bus, not the poster, vouches for.
#include <optional>
#include <string>
#include <string_view>

#include "foundation/NotificationCenter.h"

namespace morvex {

inline constexpr const char* kDistributedNotificationSenderKey = "DistributedNotificationSender";

class DistributedNotificationCenter {
public:
    static DistributedNotificationCenter& defaultCenter();

    // Observes posts of `name`; with an `object`, only the posts that carry exactly that object.
    // Posts made by any process after this returns are delivered. Without a session bus the
    // token is inactive and nothing will ever be delivered.
    [[nodiscard]] ObserverToken addObserver(std::string_view name, std::optional<std::string> object,
                                            std::function<void(const Notification&)> block);

    // Sends the notification to every observer in the session; false when there is no session bus
    // or the name is empty.
    bool post(std::string_view name, std::string_view object = {});

    // True when the session bus can be reached.
    static bool isSessionBusAvailable();

private:
    DistributedNotificationCenter();
    struct Impl;
    Impl* impl_;  // lives until exit, like the centre
};

}  // namespace morvex
