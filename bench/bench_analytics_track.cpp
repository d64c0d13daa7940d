// The cost of AnalyticsClient::track on the calling thread with an empty queue and with 50,000
// events queued (a week or so offline), and with the queue full at its cap (each event then drops
// the oldest). Each case starts from a client that read its queue from disk.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "foundation/Analytics.h"

namespace {

using namespace morvex;

struct QueueFile {
    std::filesystem::path dir;
    QueueFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "morvex-bench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
    }
    ~QueueFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

// What a typical event carries besides the super properties.
const Dictionary kProperties{{"screen", Value("dashboard")}, {"protocol", Value("WireGuard")},
                             {"latency", Value(42)}, {"success", Value(true)}};

void trackWithQueued(benchmark::State& state, std::size_t cap) {
    const auto queued = static_cast<std::size_t>(state.range(0));
    QueueFile file;
    AnalyticsClient::Options options;  // no token: it queues and never sends
    options.flushInterval = 0;
    options.stateFile = file.dir / "queue.json";
    options.maxQueuedEvents = cap;
    {
        AnalyticsClient filling(options);
        filling.registerSuperProperties({{"app_version", Value("1.0.0")}, {"locale", Value("en")}});
        for (std::size_t i = 0; i < queued; ++i) filling.track("app_ping_time", kProperties);
    }  // written out when it goes
    AnalyticsClient client(options);
    for (auto _ : state) client.track("app_ping_time", kProperties);
    state.counters["queued_before"] = static_cast<double>(queued);
}

void BM_Track(benchmark::State& state) { trackWithQueued(state, 1'000'000); }
void BM_TrackAtTheCap(benchmark::State& state) { trackWithQueued(state, static_cast<std::size_t>(state.range(0))); }

}  // namespace

// A fixed number of events per case, so the queue grows by the same amount in each.
BENCHMARK(BM_Track)->Arg(0)->Arg(50'000)->Iterations(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackAtTheCap)->Arg(50'000)->Iterations(5000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
