#include "viewmodels/MainThreadObserver.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include "foundation/Dispatch.h"

namespace morvex::dashboard {
namespace {

bool onMainThread() {
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

namespace {

void runGuarded(const QPointer<QObject>& guard, std::function<void()> block) {
    if (onMainThread()) {
        if (guard) block();
        return;
    }
    DispatchQueue::main().async([guard, block = std::move(block)] {
        if (guard) block();
    });
}

}  // namespace

void runOnMainThread(std::function<void()> block) {
    if (onMainThread()) return block();
    DispatchQueue::main().async(std::move(block));
}

void runOnMainThread(QObject* owner, std::function<void()> block) { runGuarded(QPointer<QObject>(owner), std::move(block)); }

ObserverToken observeOnMainThread(std::string_view name, QObject* owner, std::function<void(const Notification&)> block,
                                  NotificationCenter& center) {
    // The guard is made here, on the owner's thread; the posting thread only copies it.
    return center.addObserver(name, [guard = QPointer<QObject>(owner), block = std::move(block)](const Notification& n) {
        runGuarded(guard, [block, n] { block(n); });
    });
}

}  // namespace morvex::dashboard
