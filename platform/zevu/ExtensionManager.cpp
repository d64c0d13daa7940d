#include "zevu/ExtensionManager.h"

#include <algorithm>
#include <mutex>
#include <vector>
#include <set>

#include "zevu/internal/Runtime.h"

namespace zevu {

using detail::Runtime;

namespace {
constexpr double kActivationDelay = 1.5;  // seconds, scaled
constexpr const char* kFallbackExtension = "com.zevu.packet-tunnel";
}  // namespace

struct ExtensionManager::Impl {
    mutable std::mutex mutex;
    std::weak_ptr<ExtensionManagerDelegate> delegate;
    std::set<std::string> activated;
    std::set<std::string> pending;  // waiting for the user's approval
    std::uint64_t generation = 0;

    std::shared_ptr<ExtensionManagerDelegate> currentDelegate() {
        std::lock_guard lock(mutex);
        return delegate.lock();
    }

    // Runs on the worker after the delay unless a reset came in between.
    void later(double seconds, std::function<void()> task) {
        std::uint64_t g;
        {
            std::lock_guard lock(mutex);
            g = generation;
        }
        Runtime::get().sdk().postAfter(ZevuTestAPI::scaled(seconds), [this, g, task = std::move(task)] {
            {
                std::lock_guard lock(mutex);
                if (g != generation) return;
            }
            task();
        });
    }

    void complete(const std::string& id, Result result) {
        if (result == Result::Completed) {
            std::lock_guard lock(mutex);
            activated.insert(id);
        }
        if (auto d = currentDelegate()) d->requestCompletedWithBundleId(id, result);
    }

    void failRequest(const std::string& id, int code) {
        if (auto d = currentDelegate())
            d->requestFailedWithBundleId(id, Error(std::string(ZevuErrorDomain), code, "The system extension request failed."));
    }
};

ExtensionManager::ExtensionManager() : impl_(std::make_unique<Impl>()) {}
ExtensionManager::~ExtensionManager() = default;

ExtensionManager& ExtensionManager::shared() { return Runtime::get().extensions(); }

void ExtensionManager::setDelegate(std::weak_ptr<ExtensionManagerDelegate> delegate) {
    std::lock_guard lock(impl_->mutex);
    impl_->delegate = std::move(delegate);
}

std::shared_ptr<ExtensionManagerDelegate> ExtensionManager::delegate() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->delegate.lock();
}

bool ExtensionManager::isActivated(const std::string& bundleId) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->activated.contains(bundleId);
}

void ExtensionManager::activate(std::optional<std::string> systemExtensionName) {
    std::vector<std::string> ids;
    if (systemExtensionName && !systemExtensionName->empty()) {
        ids.push_back(*systemExtensionName);
    } else {
        // Every configured extension that has not completed yet: the OpenVPN-family tunnel's and
        // WireGuard's.
        const auto config = ZevuManager::sharedInstance()->configuration();
        for (const auto& id : {config.tunnelProviderBundleIdentifier, config.wireGuardTunnelProviderBundleIdentifier})
            if (!id.empty() && !isActivated(id) && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
        if (ids.empty() && config.tunnelProviderBundleIdentifier.empty() &&
            config.wireGuardTunnelProviderBundleIdentifier.empty())
            ids.push_back(kFallbackExtension);
    }
    const auto settings = Runtime::get().copySettings();
    auto* impl = impl_.get();
    for (const auto& id : ids) {
        impl->later(kActivationDelay, [impl, id, outcome = settings.extensionOutcome, code = settings.extensionErrorCode] {
            switch (outcome) {
            case ExtensionOutcome::Completed: impl->complete(id, Result::Completed); break;
            case ExtensionOutcome::WillCompleteAfterReboot: impl->complete(id, Result::WillCompleteAfterReboot); break;
            case ExtensionOutcome::Failed: impl->failRequest(id, code); break;
            case ExtensionOutcome::NeedsApproval:
                {
                    std::lock_guard lock(impl->mutex);
                    impl->pending.insert(id);
                }
                if (auto d = impl->currentDelegate()) d->requestNeedsUserApprovalWithBundleId(id);
                break;
            }
        });
    }
}

namespace detail {

void resetExtensions(ExtensionManager& extensions) {
    auto* impl = ManagerAccess::impl(extensions);
    std::lock_guard lock(impl->mutex);
    ++impl->generation;
    impl->delegate.reset();
    impl->activated.clear();
    impl->pending.clear();
}

void settleExtensions(ExtensionManager& extensions, bool approve, int errorCode) {
    auto* impl = ManagerAccess::impl(extensions);
    impl->later(0.2, [impl, approve, errorCode] {
        std::set<std::string> ids;
        {
            std::lock_guard lock(impl->mutex);
            ids.swap(impl->pending);
        }
        for (const auto& id : ids) {
            if (approve) impl->complete(id, ExtensionManager::Result::Completed);
            else impl->failRequest(id, errorCode);
        }
    });
}

}  // namespace detail
}  // namespace zevu
