#include "support/ConsoleCapture.h"

#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

namespace morvex::test {

namespace {
std::mutex g_mutex;
std::string g_qtMessages;
QtMessageHandler g_previous = nullptr;

void recordQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        std::lock_guard lock(g_mutex);
        g_qtMessages += message.toStdString() + "\n";
    }
    if (g_previous) g_previous(type, context, message);
}

void flushAll() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
}
}  // namespace

ConsoleCapture::ConsoleCapture() {
    flushAll();
    char path[] = "/tmp/morvex-console-XXXXXX";
    file_ = ::mkstemp(path);
    if (file_ < 0) return;
    ::unlink(path);
    savedOut_ = ::dup(STDOUT_FILENO);
    savedErr_ = ::dup(STDERR_FILENO);
    ::dup2(file_, STDOUT_FILENO);
    ::dup2(file_, STDERR_FILENO);
    {
        std::lock_guard lock(g_mutex);
        g_qtMessages.clear();
    }
    g_previous = qInstallMessageHandler(recordQtMessage);
    previous_ = g_previous;
}

ConsoleCapture::~ConsoleCapture() {
    if (file_ < 0) return;
    qInstallMessageHandler(previous_);
    const std::string captured = text();
    flushAll();
    ::dup2(savedOut_, STDOUT_FILENO);
    ::dup2(savedErr_, STDERR_FILENO);
    ::close(savedOut_);
    ::close(savedErr_);
    ::close(file_);
    std::fwrite(captured.data(), 1, captured.size(), stderr);
}

std::string ConsoleCapture::text() const {
    if (file_ < 0) return {};
    flushAll();
    std::string out;
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(file_, buffer, sizeof buffer, at);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    std::lock_guard lock(g_mutex);
    return out + g_qtMessages;
}

}  // namespace morvex::test
