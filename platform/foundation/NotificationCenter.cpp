#include "foundation/NotificationCenter.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace morvex {

struct ObserverToken::Entry {
    std::string name;
    std::function<void(const Notification&)> block;
    std::recursive_mutex callMutex;  // held while the block runs; removal waits for it
    std::atomic<bool> active{true};  // cleared under callMutex, read without it when pruning
};

struct NotificationCenter::Impl {
    std::mutex mutex;
    std::vector<std::shared_ptr<ObserverToken::Entry>> entries;

    // Runs under `mutex`, so it must not wait for a block: a block that is running may itself be
    // adding an observer, and would wait for `mutex` in turn.
    void prune() {
        std::erase_if(entries, [](const auto& e) { return !e->active.load(); });
    }
};

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        remove();
        entry_ = std::move(other.entry_);
    }
    return *this;
}

ObserverToken::~ObserverToken() { remove(); }

void ObserverToken::remove() {
    if (!entry_) return;
    {
        std::lock_guard l(entry_->callMutex);
        entry_->active = false;
    }
    entry_.reset();
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = new NotificationCenter();  // lives until exit
    return *center;
}

NotificationCenter::NotificationCenter() : impl_(std::make_shared<Impl>()) {}
NotificationCenter::~NotificationCenter() = default;

ObserverToken NotificationCenter::addObserver(std::string_view name,
                                              std::function<void(const Notification&)> block) {
    auto e = std::make_shared<ObserverToken::Entry>();
    e->name = std::string(name);
    e->block = std::move(block);
    std::lock_guard lock(impl_->mutex);
    if (impl_->entries.size() > 64 && impl_->entries.size() % 64 == 0) impl_->prune();
    impl_->entries.push_back(e);
    return ObserverToken(e);
}

std::size_t NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<ObserverToken::Entry>> targets;
    {
        std::lock_guard lock(impl_->mutex);
        targets.reserve(impl_->entries.size());
        for (const auto& e : impl_->entries)
            if (e->name.empty() || e->name == notification.name) targets.push_back(e);
    }
    std::size_t heard = 0;
    for (const auto& e : targets) {
        std::lock_guard l(e->callMutex);
        if (!e->active) continue;
        e->block(notification);
        ++heard;
    }
    return heard;
}

std::size_t NotificationCenter::post(std::string_view name, std::any object, UserInfo userInfo) {
    return post(Notification{std::string(name), std::move(object), std::move(userInfo)});
}

}  // namespace morvex
