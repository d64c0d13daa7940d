#include "zevu/internal/CallerSettings.h"

namespace zevu::detail {

void CallerSettings::configure(ZevuConfiguration configuration) {
    {
        std::lock_guard lock(mutex_);
        configuration_ = std::move(configuration);
    }
    configured_ = true;
}

ZevuConfiguration CallerSettings::configuration() const {
    std::lock_guard lock(mutex_);
    return configuration_;
}

std::shared_ptr<ZevuManagerDelegate> CallerSettings::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void CallerSettings::setDelegate(std::weak_ptr<ZevuManagerDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

ZevuManager::StateHandler CallerSettings::stateHandler() const {
    std::lock_guard lock(mutex_);
    return stateHandler_;
}

void CallerSettings::setStateHandler(ZevuManager::StateHandler handler) {
    std::lock_guard lock(mutex_);
    stateHandler_ = std::move(handler);
}

ZevuManager::PacketsHandler CallerSettings::packetsHandler() const {
    std::lock_guard lock(mutex_);
    return packetsHandler_;
}

void CallerSettings::setPacketsHandler(ZevuManager::PacketsHandler handler) {
    std::lock_guard lock(mutex_);
    packetsHandler_ = std::move(handler);
}

std::vector<ZevuProtocol> CallerSettings::excludedProtocols() const {
    std::lock_guard lock(mutex_);
    return excluded_;
}

void CallerSettings::setExcludedProtocols(std::vector<ZevuProtocol> protocols) {
    std::lock_guard lock(mutex_);
    excluded_ = std::move(protocols);
}

std::optional<ZevuCredential> CallerSettings::credential() const {
    std::lock_guard lock(mutex_);
    return credential_;
}

void CallerSettings::setCredential(std::optional<ZevuCredential> credential) {
    std::lock_guard lock(mutex_);
    credential_ = std::move(credential);
}

void CallerSettings::reset() {
    {
        std::lock_guard lock(mutex_);
        configuration_ = {};
        delegate_.reset();
        stateHandler_ = nullptr;
        packetsHandler_ = nullptr;
        excluded_.clear();
        credential_.reset();
    }
    checkInternet_ = false;
    configured_ = false;
}

}  // namespace zevu::detail
