#include "foundation/NetworkReachability.h"

#include <QMetaObject>
#include <QNetworkInformation>
#include <QObject>
#include <QPointer>

#include "foundation/Dispatch.h"

namespace morvex {

namespace {

QNetworkInformation* information() {
    static QNetworkInformation* info = [] {
        QNetworkInformation* result = nullptr;
        auto load = [&] {
            if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
                result = QNetworkInformation::instance();
        };
        DispatchQueue::main().sync(load);
        return result;
    }();
    return info;
}

NetworkReachabilityManager::Status fromQt(QNetworkInformation::Reachability r) {
    switch (r) {
    case QNetworkInformation::Reachability::Disconnected: return NetworkReachabilityManager::Status::notReachable;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online: return NetworkReachabilityManager::Status::reachable;
    case QNetworkInformation::Reachability::Unknown: break;
    }
    return NetworkReachabilityManager::Status::unknown;
}

}  // namespace

struct NetworkReachabilityManager::State {
    std::function<void(Status)> listener;
    QMetaObject::Connection connection;
    unsigned generation = 0;
};

NetworkReachabilityManager::NetworkReachabilityManager() : state_(std::make_shared<State>()) {}

NetworkReachabilityManager::~NetworkReachabilityManager() { stopListening(); }

NetworkReachabilityManager::Status NetworkReachabilityManager::status() const {
    auto* info = information();
    if (!info) return Status::reachable;
    return fromQt(info->reachability());
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
        if (auto* info = information()) {
            s->connection = QObject::connect(info, &QNetworkInformation::reachabilityChanged, info,
                                             [weak, generation](QNetworkInformation::Reachability r) {
                                                 auto s2 = weak.lock();
                                                 if (s2 && s2->generation == generation && s2->listener)
                                                     s2->listener(fromQt(r));
                                             });
        }
        s->listener(status());
    });
}

void NetworkReachabilityManager::stopListening() {
    ++state_->generation;
    state_->listener = nullptr;
    if (state_->connection) QObject::disconnect(state_->connection);
}

}  // namespace morvex
