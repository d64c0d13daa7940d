#pragma once
// What callers set on the manager: the configuration, the credential, the protocols never
// dialled, the connectivity check, the delegate and the two hooks.
//
// Threads: any thread may set or read them. Reads answer copies (a strong delegate reference, a
// copied hook), so whoever runs a callback holds no lock of the manager while it runs.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "zevu/ZevuCore.h"
#include "zevu/ZevuManager.h"

namespace zevu::detail {

class CallerSettings {
public:
    // Stores the configuration; from then on the manager is handed out and may dial.
    void configure(ZevuConfiguration configuration);
    bool configured() const { return configured_; }
    ZevuConfiguration configuration() const;

    // None once the delegate's owner has let it go.
    std::shared_ptr<ZevuManagerDelegate> delegate() const;
    void setDelegate(std::weak_ptr<ZevuManagerDelegate> delegate);
    ZevuManager::StateHandler stateHandler() const;
    void setStateHandler(ZevuManager::StateHandler handler);
    ZevuManager::PacketsHandler packetsHandler() const;
    void setPacketsHandler(ZevuManager::PacketsHandler handler);

    std::vector<ZevuProtocol> excludedProtocols() const;
    void setExcludedProtocols(std::vector<ZevuProtocol> protocols);
    std::optional<ZevuCredential> credential() const;
    void setCredential(std::optional<ZevuCredential> credential);
    bool checksInternet() const { return checkInternet_; }
    void setChecksInternet(bool check) { checkInternet_ = check; }

    // Back to a manager that was never configured and has nothing set.
    void reset();

private:
    mutable std::mutex mutex_;
    ZevuConfiguration configuration_;
    std::weak_ptr<ZevuManagerDelegate> delegate_;
    ZevuManager::StateHandler stateHandler_;
    ZevuManager::PacketsHandler packetsHandler_;
    std::vector<ZevuProtocol> excluded_;
    std::optional<ZevuCredential> credential_;
    std::atomic<bool> checkInternet_{false};
    std::atomic<bool> configured_{false};
};

}  // namespace zevu::detail
