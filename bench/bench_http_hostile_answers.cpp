// What a hostile answer costs the HTTP session in memory: a 1 GiB body and an endless chunked
// body from a local server, through request() (held in memory) and download() (streamed to disk).
// Each case reports the rise of the process's peak resident memory ("peak_MiB") while it ran,
// measured by resetting the kernel's high-water mark (/proc/self/clear_refs) before the case.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "foundation/Bundle.h"
#include "foundation/HttpSession.h"
#include "foundation/NetworkModule.h"

namespace {

using namespace morvex::http;

constexpr std::uint64_t kGiB = 1ULL << 30;

// Serves one kind of answer to every connection, each on a thread of its own.
class Server {
public:
    enum class Body { stated1GiB, endlessChunked };

    explicit Server(Body body) : body_(body) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof(a);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        ::listen(listener_, 8);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] {
            while (!stop_) {
                pollfd p{listener_, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) continue;
                int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) std::thread([this, fd] { serve(fd); }).detach();
            }
        });
    }
    ~Server() {
        stop_ = true;
        acceptor_.join();
        ::close(listener_);
        while (active_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    QUrl url() const { return QUrl(QString("http://127.0.0.1:%1/body").arg(port_)); }

private:
    bool sendAll(int fd, std::string_view bytes) {
        while (!bytes.empty() && !stop_) {
            auto n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return !stop_;
    }
    void serve(int fd) {
        ++active_;
        char c;
        std::string head;
        while (!head.ends_with("\r\n\r\n") && ::recv(fd, &c, 1, 0) == 1) head.push_back(c);
        const std::string piece(1 << 20, 'x');
        if (body_ == Body::stated1GiB) {
            if (sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                                std::to_string(kGiB) + "\r\n\r\n"))
                for (std::uint64_t sent = 0; sent < kGiB && sendAll(fd, piece); sent += piece.size()) {}
        } else {
            const std::string chunk = "100000\r\n" + piece + "\r\n";
            if (sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nTransfer-Encoding: chunked\r\n\r\n"))
                while (sendAll(fd, chunk)) {}
        }
        ::close(fd);
        --active_;
    }

    Body body_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> active_{0};
    std::thread acceptor_;
};

double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

template <class Done>
void runUntil(Done done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// request(): the answer is held in memory; `cap` none is the session's default for JSON answers.
void dataAnswer(benchmark::State& state, Server::Body body, std::optional<std::int64_t> cap) {
    Server server(body);
    Session session;
    for (auto _ : state) {
        resetPeak();
        const double baseline = peakMiB();
        Request r{server.url()};
        r.maximumBodySize = cap;
        r.deadline = 120;
        bool answered = false;
        // Read in place: a copy here would count against the session.
        session.request(r, nullptr, false, [&](const DataResponse& d) {
            answered = true;
            state.counters["body_MiB"] = d.data ? static_cast<double>(d.data->size()) / (1 << 20) : 0;
            state.counters["failed"] = d.error ? 1 : 0;
        });
        runUntil([&] { return answered; });
        state.counters["peak_MiB"] = peakMiB() - baseline;
    }
}

// download(): the body streams to a file; `cap` none is the session's default for downloads.
void downloadAnswer(benchmark::State& state, Server::Body body, std::optional<std::int64_t> cap) {
    Server server(body);
    Session session;
    auto dir = std::filesystem::temp_directory_path() / ("morvex-bench-download-" + std::to_string(::getpid()));
    for (auto _ : state) {
        resetPeak();
        const double baseline = peakMiB();
        Request r{server.url()};
        r.maximumBodySize = cap;
        std::optional<DownloadResponse> done;
        session.download(r, false, [&](const HTTPResponse&) { return dir / "body.bin"; }, DownloadOptions{true, true},
                         nullptr, [&](const DownloadResponse& d) { done = d; });
        runUntil([&] { return done.has_value(); });
        state.counters["peak_MiB"] = peakMiB() - baseline;
        std::error_code ec;
        state.counters["file_MiB"] = done->fileURL ? static_cast<double>(std::filesystem::file_size(*done->fileURL, ec)) / (1 << 20) : 0;
        state.counters["failed"] = done->error ? 1 : 0;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

constexpr std::int64_t kCapAboveGiB = static_cast<std::int64_t>(kGiB) + 1;

BENCHMARK_CAPTURE(dataAnswer, stated_1GiB_default_cap, Server::Body::stated1GiB, std::nullopt)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataAnswer, stated_1GiB_accepted, Server::Body::stated1GiB, kCapAboveGiB)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataAnswer, endless_default_cap, Server::Body::endlessChunked, std::nullopt)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dataAnswer, endless_1GiB_cap, Server::Body::endlessChunked, kCapAboveGiB)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(downloadAnswer, stated_1GiB_to_disk, Server::Body::stated1GiB, std::nullopt)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(downloadAnswer, endless_1GiB_cap_to_disk, Server::Body::endlessChunked, kCapAboveGiB)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    morvex::Bundle::setMainBundlePath(MORVEX_BUNDLE_DIR);
    if (!morvex::network::load()) return 1;  // it said why: nothing could be measured
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
