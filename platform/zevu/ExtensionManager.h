#pragma once
// Installs the packet-tunnel system extensions. A request answers its delegate on the SDK's
// worker thread: approval needed, failed, or completed with a result.
#include <memory>
#include <optional>
#include <string>

#include "zevu/ZevuCore.h"

namespace zevu {

class ExtensionManagerDelegate;

class ExtensionManager {
public:
    enum class Result : int {
        Completed = 0,
        WillCompleteAfterReboot = 1,
    };
    static constexpr int rawValue(Result r) { return static_cast<int>(r); }

    static ExtensionManager& shared();
    ~ExtensionManager();
    ExtensionManager(const ExtensionManager&) = delete;
    ExtensionManager& operator=(const ExtensionManager&) = delete;

    // Not owned; called while its owner keeps it alive.
    void setDelegate(std::weak_ptr<ExtensionManagerDelegate> delegate);
    std::shared_ptr<ExtensionManagerDelegate> delegate() const;

    // Asks for the named extension; with no name, for every configured extension (the
    // OpenVPN-family tunnel's and WireGuard's) that has not completed yet, each answered on its
    // own. Returns at once.
    void activate(std::optional<std::string> systemExtensionName);
    // Whether a request for the extension has completed (result Completed).
    bool isActivated(const std::string& bundleId) const;

    struct Impl;

private:
    ExtensionManager();
    std::unique_ptr<Impl> impl_;
    friend struct ManagerAccess;
};

class ExtensionManagerDelegate {
public:
    virtual ~ExtensionManagerDelegate() = default;
    virtual void requestNeedsUserApprovalWithBundleId(const std::string& bundleId) { (void)bundleId; }
    virtual void requestFailedWithBundleId(const std::string& bundleId, const Error& error) { (void)bundleId, (void)error; }
    virtual void requestCompletedWithBundleId(const std::string& bundleId, ExtensionManager::Result result) {
        (void)bundleId, (void)result;
    }
};

}  // namespace zevu
