#pragma once
// Watches whether the machine has a network route, through Qt's network information. Without a
// backend that can tell, the network counts as reachable.
#include <functional>
#include <memory>

namespace morvex {

class NetworkReachabilityManager {
public:
    enum class Status { unknown, notReachable, reachable };

    NetworkReachabilityManager();
    ~NetworkReachabilityManager();
    NetworkReachabilityManager(const NetworkReachabilityManager&) = delete;
    NetworkReachabilityManager& operator=(const NetworkReachabilityManager&) = delete;

    Status status() const;
    bool isReachable() const { return status() == Status::reachable; }

    // Calls `listener` on the main thread with the current status soon after starting, then with
    // every change, until stopListening or destruction. Starting again replaces the listener.
    void startListening(std::function<void(Status)> listener);
    void stopListening();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace morvex
