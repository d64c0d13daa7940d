#include "foundation/NetworkReachability.h"

#include "foundation/Dispatch.h"
#include "foundation/NetworkModule.h"

namespace morvex {

namespace {

// The module with its reachability backend started (on the main thread, as the backend wants),
// once; null when either is missing.
network::Module* withBackend() {
    static network::Module* module = [] {
        network::Module* result = nullptr;
        DispatchQueue::main().sync([&] {
            auto* loaded = network::load();
            if (loaded && loaded->startReachability()) result = loaded;
        });
        return result;
    }();
    return module;
}

NetworkReachabilityManager::Status fromModule(network::Reachability r) {
    switch (r) {
    case network::Reachability::notReachable: return NetworkReachabilityManager::Status::notReachable;
    case network::Reachability::reachable: return NetworkReachabilityManager::Status::reachable;
    case network::Reachability::unknown: break;
    }
    return NetworkReachabilityManager::Status::unknown;
}

}  // namespace

struct NetworkReachabilityManager::State {
    std::function<void(Status)> listener;
    std::shared_ptr<void> observation;
    unsigned generation = 0;
};

NetworkReachabilityManager::NetworkReachabilityManager() : state_(std::make_shared<State>()) {}

NetworkReachabilityManager::~NetworkReachabilityManager() { stopListening(); }

NetworkReachabilityManager::Status NetworkReachabilityManager::status() const {
    auto* module = withBackend();
    if (!module) return Status::reachable;
    return fromModule(module->reachability());
}

void NetworkReachabilityManager::startListening(std::function<void(Status)> listener) {
    stopListening();
    auto state = state_;
    state->listener = std::move(listener);
    unsigned generation = ++state->generation;
    std::weak_ptr<State> weak = state;
    DispatchQueue::main().async([weak, generation, this] {
        auto s = weak.lock();
        if (!s || s->generation != generation || !s->listener) return;
        if (auto* module = withBackend()) {
            s->observation = module->observeReachability([weak, generation](network::Reachability r) {
                auto s2 = weak.lock();
                if (s2 && s2->generation == generation && s2->listener) s2->listener(fromModule(r));
            });
        }
        s->listener(status());
    });
}

void NetworkReachabilityManager::stopListening() {
    ++state_->generation;
    state_->listener = nullptr;
    state_->observation.reset();
}

}  // namespace morvex
