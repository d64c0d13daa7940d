#pragma once
// Process-wide state of the SDK: its worker threads, the two managers and the test settings.
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "zevu/ExtensionManager.h"
#include "zevu/ZevuManager.h"
#include "zevu/ZevuTestAPI.h"
#include "zevu/internal/Ping.h"
#include "zevu/internal/WorkerLoop.h"

namespace zevu {

// Reaches the managers' private parts for the SDK's own code.
struct ManagerAccess {
    static std::shared_ptr<ZevuManager> makeManager() { return std::shared_ptr<ZevuManager>(new ZevuManager()); }
    static std::unique_ptr<ExtensionManager> makeExtensions() { return std::unique_ptr<ExtensionManager>(new ExtensionManager()); }
    static ZevuManager::Impl* impl(ZevuManager& m) { return m.impl_.get(); }
    static ExtensionManager::Impl* impl(ExtensionManager& m) { return m.impl_.get(); }
};

}  // namespace zevu

namespace zevu::detail {

struct Settings {
    double timeScale = 1.0;
    std::optional<std::string> globalOverride;
    std::map<std::string, std::string> hostOverrides;
    std::chrono::milliseconds pingTimeout{2000};
    std::optional<std::filesystem::path> serverList;
    std::deque<ZevuFaultScript> scripts;
    std::optional<Error> failCountries;
    bool recommendedOverridden = false;
    std::optional<ZevuLocation> recommendedLocation;
    std::optional<Error> recommendedError;
    ExtensionOutcome extensionOutcome = ExtensionOutcome::Completed;
    int extensionErrorCode = 1;
};

class Runtime {
public:
    static Runtime& get();
    ~Runtime();

    WorkerLoop& sdk() { return *sdk_; }
    WorkerLoop& ping() { return *ping_; }

    // Settings are read and written under this lock only.
    std::mutex mutex;
    Settings settings;
    Settings copySettings() {
        std::lock_guard lock(mutex);
        return settings;
    }

    // The manager object lives for the process; `configured` says whether it is handed out.
    std::shared_ptr<ZevuManager> manager();
    ExtensionManager& extensions();

private:
    Runtime();
    std::unique_ptr<WorkerLoop> sdk_;
    std::unique_ptr<WorkerLoop> ping_;
    std::once_flag managerOnce_;
    std::shared_ptr<ZevuManager> manager_;
    std::once_flag extensionsOnce_;
    std::unique_ptr<ExtensionManager> extensions_;
};

// The address to open for a host (test and environment overrides applied); none when the host
// cannot be reached (an unroutable name or documentation address).
std::optional<PingTarget> pingTargetFor(const std::optional<std::string>& hostname, const std::optional<std::string>& ip,
                                        int defaultPort, const Settings& settings);

// Hooks for the test API into the managers' private state.
void resetManager(ZevuManager& manager);
void resetExtensions(ExtensionManager& extensions);
void dropTunnel(ZevuManager& manager);
void pauseTunnel(ZevuManager& manager, bool pause);
void settleExtensions(ExtensionManager& extensions, bool approve, int errorCode);

}  // namespace zevu::detail
