#include "foundation/Log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace morvex::log {

struct Capture::State {
    mutable std::mutex mutex;
    std::vector<std::string> lines;
};

namespace {
std::mutex g_mutex;
std::vector<Capture::State*> g_captures;

std::string timestamp() {
    using namespace std::chrono;
    auto now = system_clock::now();
    auto t = system_clock::to_time_t(now);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03lld", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<long long>(ms));
    return buf;
}
void deliver(std::string_view line, bool toStderr) {
    std::lock_guard lock(g_mutex);
    for (auto* c : g_captures) {
        std::lock_guard l(c->mutex);
        c->lines.emplace_back(line);
    }
    if (toStderr) {
        std::string out = timestamp() + " MorvexVPN: " + std::string(line) + "\n";
        std::fwrite(out.data(), 1, out.size(), stderr);
    } else {
        std::string out = std::string(line) + "\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    }
}

}  // namespace

void print(std::string_view line) { deliver(line, false); }
void nslog(std::string_view line) { deliver(line, true); }

Capture::Capture() : state_(new State) {
    std::lock_guard lock(g_mutex);
    g_captures.push_back(state_);
}

Capture::~Capture() {
    {
        std::lock_guard lock(g_mutex);
        std::erase(g_captures, state_);
    }
    delete state_;
}

std::vector<std::string> Capture::lines() const {
    std::lock_guard l(state_->mutex);
    return state_->lines;
}

bool Capture::contains(std::string_view line) const { return count(line) > 0; }

bool Capture::containsText(std::string_view text) const {
    std::lock_guard l(state_->mutex);
    return std::any_of(state_->lines.begin(), state_->lines.end(),
                       [&](const std::string& s) { return s.find(text) != std::string::npos; });
}

std::size_t Capture::count(std::string_view line) const {
    std::lock_guard l(state_->mutex);
    return static_cast<std::size_t>(std::count(state_->lines.begin(), state_->lines.end(), line));
}

}  // namespace morvex::log
