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
}  // namespace

void print(std::string_view line) { morvex::log::print(line); }

void SystemLog::setSubsystem(std::string subsystem) {
    std::lock_guard lock(g_mutex);
    if (!g_opened) g_subsystem = std::move(subsystem);
}

void SystemLog::setSink(Sink sink) {
    std::lock_guard lock(g_mutex);
    g_sink = std::move(sink);
}

void SystemLog::info(std::string_view message) {
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

}  // namespace morvex::helper
