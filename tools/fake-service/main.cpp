// morvex-fake-service --port N: the local back end for running the application by hand.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "FakeService.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }
}  // namespace

int main(int argc, char** argv) {
    int port = 18443;
    std::string host = "127.0.0.1";
    morvex::fake::VPNAccount account = morvex::fake::VPNAccount::active;
    std::string offeredVersion;
    std::optional<morvex::fake::DownloadFault> downloadFault;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            char* end = nullptr;
            long value = std::strtol(argv[++i], &end, 10);
            if (!end || *end != '\0' || value < 0 || value > 65535) {
                std::cerr << "morvex-fake-service: bad port " << argv[i] << "\n";
                return 2;
            }
            port = static_cast<int>(value);
        } else if (arg == "--vpn-account" && i + 1 < argc) {
            auto chosen = morvex::fake::vpnAccountFromName(argv[++i]);
            if (!chosen) {
                std::cerr << "morvex-fake-service: unknown VPN account state " << argv[i] << "\n";
                return 2;
            }
            account = *chosen;
        } else if (arg == "--offer-update" && i + 1 < argc) {
            offeredVersion = argv[++i];
            if (offeredVersion.empty() || offeredVersion.find_first_not_of("0123456789.") != std::string::npos) {
                std::cerr << "morvex-fake-service: bad version " << offeredVersion << " (digits and points)\n";
                return 2;
            }
        } else if (arg == "--fail-download" && i + 1 < argc) {
            downloadFault = morvex::fake::downloadFaultFromName(argv[++i]);
            if (!downloadFault) {
                std::cerr << "morvex-fake-service: unknown download fault " << argv[i] << "\n";
                return 2;
            }
        } else if (arg == "--help" || arg == "-h") {
            std::cout << "usage: morvex-fake-service [--port N] [--vpn-account STATE] [--offer-update VERSION]\n"
                         "                           [--fail-download FAULT]   (listens on 127.0.0.1)\n"
                         "  STATE: what the account check says: active (default), expired, disabled, inactive,\n"
                         "         no-vpn-user, wrong-password (1002), unknown-user (1003)\n"
                         "  VERSION: the version check offers it, with this service's package as the download\n"
                         "  FAULT: the first installer download fails, a retry succeeds: cut-start, cut-half,\n"
                         "         cut-end, error-500, stall (half the package, then silence)\n";
            return 0;
        } else {
            std::cerr << "morvex-fake-service: unknown argument " << arg << "\n";
            return 2;
        }
    }
    morvex::fake::FakeService service;
    morvex::fake::setVPNAccount(service, account);
    if (!offeredVersion.empty()) morvex::fake::offerUpdate(service, offeredVersion, std::chrono::milliseconds(40));
    if (downloadFault) morvex::fake::failNextDownload(service, *downloadFault);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    if (!service.start(static_cast<std::uint16_t>(port), host)) {
        std::cerr << "morvex-fake-service: cannot listen on " << host << ":" << port << "\n";
        return 1;
    }
    std::cout << "morvex-fake-service: listening on " << service.baseURL() << std::endl;
    while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    service.stop();
    return 0;
}
