#pragma once
// A set of observers that an object tells about its changes, and the subscription that keeps one
// observer in it.
//
// An observer may change the set while it is being told: add observers, remove itself or
// another, or tell the set again. A round tells the observers present when it began, in the order
// they were added, each unless it was removed before its turn; one added during a round is told
// from the next round on. An observer that removes itself finishes its call (the set keeps it
// alive until then).
//
// Threads: one thread at a time (a view's observers are added, removed and told on the main thread).
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace morvex {

// Keeps an observation alive; dropping it (or calling cancel) stops further calls.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (auto c = std::exchange(cancel_, {})) c();
    }
    bool active() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

template <class... Args>
class ObserverSet {
public:
    using Observer = std::function<void(Args...)>;

    ObserverSet() : members_(std::make_shared<Members>()) {}
    ObserverSet(const ObserverSet&) = delete;
    ObserverSet& operator=(const ObserverSet&) = delete;
    // A round under way when the set goes (an observer destroyed its owner) tells no one else.
    ~ObserverSet() {
        for (const auto& entry : *members_) entry->present = false;
    }

    // The observer stays in the set while the subscription lives. A subscription that outlives
    // the set cancels nothing.
    [[nodiscard]] Subscription add(Observer observer) {
        auto entry = std::make_shared<Entry>(Entry{std::move(observer), true});
        members_->push_back(entry);
        return Subscription([weakMembers = std::weak_ptr<Members>(members_), weakEntry = std::weak_ptr<Entry>(entry)] {
            auto entry = weakEntry.lock();
            if (!entry) return;
            entry->present = false;
            if (auto members = weakMembers.lock()) std::erase(*members, entry);
        });
    }

    // One round: see above for what changes during it do.
    void notify(Args... args) const {
        const Members round = *members_;
        for (const auto& entry : round) {
            if (entry->present) entry->observer(args...);
        }
    }

    bool empty() const { return members_->empty(); }
    std::size_t size() const { return members_->size(); }

private:
    struct Entry {
        Observer observer;
        bool present;
    };
    using Members = std::vector<std::shared_ptr<Entry>>;
    std::shared_ptr<Members> members_;
};

}  // namespace morvex
