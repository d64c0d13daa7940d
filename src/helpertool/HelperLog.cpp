#include "HelperLog.h"

#include <syslog.h>

#include <mutex>

#include "foundation/Log.h"

namespace morvex::helper {

namespace {
std::mutex g_mutex;
std::string g_subsystem = "0";
bool g_opened = false;
SystemLog::Sink g_sink;
thread_local LineCapture* t_capture = nullptr;

void writeSystemLog(std::string_view message);
}  // namespace

struct LineCaptureAccess {
    static bool hold(LineCapture::Kind kind, std::string_view line) {
        if (!t_capture) return false;
        t_capture->lines_.push_back({kind, std::string(line)});
        return true;
    }
};

LineCapture::LineCapture() : previous_(t_capture) { t_capture = this; }

LineCapture::~LineCapture() {
    if (active_) t_capture = previous_;
}

std::vector<LineCapture::Line> LineCapture::take() {
    if (active_) {
        t_capture = previous_;
        active_ = false;
    }
    return std::move(lines_);
}

void LineCapture::write(const std::vector<Line>& lines) {
    for (const auto& l : lines) {
        switch (l.kind) {
        case Kind::print: print(l.text); break;
        case Kind::error: logError(l.text); break;
        case Kind::system: SystemLog::info(l.text); break;
        }
    }
}

void print(std::string_view line) {
    if (!LineCaptureAccess::hold(LineCapture::Kind::print, line)) morvex::log::print(line);
}

void logError(std::string_view line) {
    if (!LineCaptureAccess::hold(LineCapture::Kind::error, line)) morvex::log::nslog(line);
}

void SystemLog::setSubsystem(std::string subsystem) {
    std::lock_guard lock(g_mutex);
    if (!g_opened) g_subsystem = std::move(subsystem);
}

void SystemLog::setSink(Sink sink) {
    std::lock_guard lock(g_mutex);
    g_sink = std::move(sink);
}

void SystemLog::info(std::string_view message) {
    if (!LineCaptureAccess::hold(LineCapture::Kind::system, message)) writeSystemLog(message);
}

namespace {
void writeSystemLog(std::string_view message) {
    std::lock_guard lock(g_mutex);
    if (!g_opened) {
        // openlog keeps the pointer, so the identifier must outlive every later message.
        ::openlog(g_subsystem.c_str(), LOG_PID, LOG_DAEMON);
        g_opened = true;
    }
    if (g_sink) {
        g_sink(g_subsystem, kLogCategory, message);
        return;
    }
    ::syslog(LOG_INFO, "[%.*s] %.*s", static_cast<int>(kLogCategory.size()), kLogCategory.data(),
             static_cast<int>(message.size()), message.data());
}

}  // namespace

}  // namespace morvex::helper
