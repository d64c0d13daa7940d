#pragma once
// The engine posts its notifications on the SDK's worker thread and the API client posts
// reachability on its listener thread, while everything a dashboard screen owns (its properties,
// timers and views) belongs to the main thread. An observer made here always runs its block on
// the main thread: at once when the notification was posted there, otherwise from the main queue
// in posting order, and never once its owner has been destroyed.
#include <QObject>
#include <functional>
#include <string_view>

#include "foundation/NotificationCenter.h"

namespace morvex::dashboard {

[[nodiscard]] ObserverToken observeOnMainThread(std::string_view name, QObject* owner,
                                                std::function<void(const Notification&)> block,
                                                NotificationCenter& center = NotificationCenter::defaultCenter());

// Runs `block` on the main thread (at once when already there), unless `owner` has gone by then.
void runOnMainThread(QObject* owner, std::function<void()> block);
// Runs `block` on the main thread: at once when already there, otherwise from the main queue.
// The block must guard its own captures.
void runOnMainThread(std::function<void()> block);

}  // namespace morvex::dashboard
