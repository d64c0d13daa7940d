// What the application costs while it waits: the signed-in dashboard, under the offscreen platform
// against the fake service, left alone for 10 s shown and 10 s hidden, disconnected and connected.
// Each figure is the process's CPU time over the wall time (per cent of one core) and the main
// thread's wake-ups a second; beside them the floor, a plain Qt Widgets window in a process of its
// own over the same 10 s. Targets: 1 % shown, 0.1 % hidden.
#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "alerts/AlertServices.h"
#include "app/AppMainViewController.h"
#include "viewmodels/MainTab.h"
#include "app/StatusMenu.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "session/OAuthService.h"
#include "state/AppPreferences.h"
#include "ui/dashboard/DashboardViewController.h"
#include "model/ZevuTypes.h"
#include "zevu/ZevuCore.h"

namespace {

using namespace morvex;
constexpr int kSeconds = 10;

// The SDK's status as the screens read it, fixed (nothing is dialled).
class FixedStatus : public VPNControl {
public:
    int status = 0;
    int getCurrentVPNStatus() override { return status; }
    void setDoCheckInternetConnectivity(bool) override {}
    void reconnectVPN() override {}
    void cancelVPN() override {}
    void disconnectVPN() override {}
    void disableFirewall() override {}
};

struct Fixture {
    std::shared_ptr<FixedStatus> vpn = std::make_shared<FixedStatus>();
    std::unique_ptr<appkit::Window> window;
    DashboardViewController* dashboard = nullptr;
};
Fixture* g_fixture = nullptr;

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

using bench::runFor;

void post(ZevuConnectionState state) {
    ZevuTypes::ConnectionInfo info;
    info.state = state;
    info.connectionId = AppPreferences().onGoingConnectionId();
    info.selectedProtocol = "IKEV";
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
}

// Leaves the application alone for kSeconds and reports its cost.
void measureIdle(benchmark::State& state, bool shown, bool connected) {
    Fixture& f = *g_fixture;
    f.vpn->status = zevu::rawValue(connected ? zevu::ZevuVPNState::Connected : zevu::ZevuVPNState::Disconnected);
    if (connected) {
        post(ZevuConnectionState::Connecting);
        post(ZevuConnectionState::Connected);
    } else {
        post(ZevuConnectionState::Disconnected);
    }
    if (shown) f.window->show();
    else f.window->hide();
    runFor(3000);  // the hand-over animations end and the loops have drawn their frames
    int wakeups = 0;
    auto* dispatcher = QAbstractEventDispatcher::instance();
    const auto counting = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { ++wakeups; });
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        wakeups = 0;
        runFor(kSeconds * 1000);
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] = 100.0 * (processCpuSeconds() - cpu0) / seconds;
        state.counters["wakeups_per_s"] = double(wakeups) / seconds;
    }
    QObject::disconnect(counting);
    state.counters["target_percent"] = shown ? 1.0 : 0.1;
}

void BM_IdleDashboardShownDisconnected(benchmark::State& s) { measureIdle(s, true, false); }
void BM_IdleDashboardHiddenDisconnected(benchmark::State& s) { measureIdle(s, false, false); }
void BM_IdleDashboardShownConnected(benchmark::State& s) { measureIdle(s, true, true); }
void BM_IdleDashboardHiddenConnected(benchmark::State& s) { measureIdle(s, false, true); }
BENCHMARK(BM_IdleDashboardShownDisconnected)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleDashboardHiddenDisconnected)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleDashboardShownConnected)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleDashboardHiddenConnected)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// CPU ticks (user + system) of a process, from /proc.
double processTicks(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return utime + stime;
}

// The floor: a plain window in a process of its own, shown, over the same time.
void BM_IdleFloorWindow(benchmark::State& state) {
    for (auto _ : state) {
        QProcess floor;
        floor.start(QStringLiteral(MORVEX_FLOOR_PROGRAM), {});
        if (!floor.waitForStarted(10000) || !floor.waitForReadyRead(10000)) {
            state.SkipWithError("the floor program did not show its window");
            return;
        }
        QThread::sleep(3);
        const double t0 = processTicks(floor.processId());
        QElapsedTimer wall;
        wall.start();
        QThread::sleep(kSeconds);
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const double ticks = processTicks(floor.processId()) - t0;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] = 100.0 * ticks / double(::sysconf(_SC_CLK_TCK)) / seconds;
        floor.kill();
        floor.waitForFinished();
    }
}
BENCHMARK(BM_IdleFloorWindow)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    morvex::fake::FakeService service;
    if (!service.start()) return 1;
    morvex::bench::PageProcess process(argc, argv, service, "idle");
    morvex::OAuthService::shared();

    Fixture fixture;
    g_fixture = &fixture;
    AlertServices services = AlertServices::installed();
    services.vpn = fixture.vpn;
    AlertServices::install(services);
    AppPreferences().setOnGoingConnectionId("760000000.5");

    // The signed-in main content on its dashboard page, as the application shows it.
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    fixture.window = std::make_unique<appkit::Window>(QSize(760, 500));
    auto* content = new AppMainViewController(hooks);
    fixture.window->setContentViewController(content);
    fixture.window->show();
    runFor(100);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Dashboard);
    runFor(100);
    fixture.dashboard = qobject_cast<DashboardViewController*>(content->currentPageController());
    if (!fixture.dashboard) return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture.window.reset();
    return 0;
}
