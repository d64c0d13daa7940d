#pragma once
// The helper's service: one Unix-domain socket (inherited from socket activation or bound by
// hand), a caller check for every new connection, command lists read as frames and handed to the
// command set, and an exit about one check interval after the last accepted client has gone.
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CallerCheck.h"
#include "CommandSet.h"
#include "foundation/Error.h"
#include "foundation/FrameCodec.h"

namespace morvex::helper {

class HelperConnection;

class HelperService {
public:
    // Connections served or being checked at once; more wait in the socket's queue.
    static constexpr int kMaxConnectionThreads = 64;

    struct Options {
        std::string socketPath;   // bound (and removed at exit) when no socket is inherited
        int listenFd = -1;        // an inherited listening socket (socket activation)
        CommandSet::Options commands;
        CallerCheck check;
        double shouldQuitCheckInterval = 1.0;
    };

    explicit HelperService(Options options);
    ~HelperService();
    HelperService(const HelperService&) = delete;
    HelperService& operator=(const HelperService&) = delete;

    // Opens the socket and starts taking connections.
    Result<void> resume();
    // Runs until the last client has gone (checked once per interval) or quit is requested;
    // answers the process exit code.
    int run();
    // Ends the service at the next step (a termination signal); open connections are closed.
    void requestQuit();

    // Called by a connection's thread.
    void handleFrame(const std::shared_ptr<HelperConnection>& connection, const wire::Frame& frame);
    void removeConnection(const std::shared_ptr<HelperConnection>& connection);

private:
    void listenLoop();
    void serve(int fd, std::uint64_t order);
    std::shared_ptr<AppLogger> appLogger();

    Options options_;
    CommandSet commands_;
    int listenFd_ = -1;
    bool ownsSocketPath_ = false;
    int wakeFd_ = -1;
    std::thread listener_;

    // Guards everything below: the listener, the connection threads and the main loop share it.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::shared_ptr<HelperConnection>> connections_;
    bool shouldQuit_ = false;
    bool quitRequested_ = false;
    bool quitting_ = false;
    int pendingChecks_ = 0;
    int activeThreads_ = 0;
    std::uint64_t accepted_ = 0;
};

}  // namespace morvex::helper
