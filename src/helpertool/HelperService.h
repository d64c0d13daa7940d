#pragma once
// The helper's service: one Unix-domain socket (inherited from socket activation or bound by
// hand), a caller check for every new connection, command lists read as frames and handed to the
// command set, and an exit about one check interval after the last accepted client has gone.
//
// One event loop (a thread of its own) takes the connections and serves every accepted client: it
// polls the listening socket, each client's socket and each caller's pidfd, reads without
// blocking into the connection's frame reader and writes what is waiting for it. A client that
// sends nothing, or half a frame, or stops reading, holds up nobody else. Replies and log lines
// (from the command set's queue or the loop) go out at once when the socket takes them, else wait
// in the connection's bounded outgoing buffer for the loop; a client that lets more than
// kMaxPendingOutput pile up is cut off.
//
// The caller check alone runs beside the loop, on a short-lived thread per connection being
// checked: it may wait on the login manager's bus or read a large program, and a check that is
// slow must not hold up the clients already served.
//
// The caller is held by a pidfd taken at the accept (BoundProcess): every check reads its process
// through it, every frame and reply is made only while it is alive, and the connection is closed as
// soon as it has ended, whoever else holds the socket then. Its user, as the kernel recorded it at
// the connect, must be root or the user of the active local session (LoginSessions), and is handed
// to the commands, which keep a kill switch to the user who enabled it.
//
// The decision about each connection, with the caller's user, is logged once, together with the
// check's trace lines; when callers come faster than kLogBurst at once and kLogPerSecond after that,
// the lines of the connections beyond are dropped and their number logged with the next ones.
//
// A connection is served only once the check has passed and the helper has told the caller so
// (an Accepted frame). Any byte that arrived before that closes the connection: it was written by
// whatever ran under the caller's process id before the check looked, which may have been another
// program than the one checked (a process that writes a command and then runs a signed program).
//
// Checks are not waited for at the quit: a check under way keeps nothing of the service but the
// state it shares with it, and a client whose check ends after the quit is turned away.
#include <sys/types.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CallerCheck.h"
#include "CommandSet.h"
#include "LoginSessions.h"
#include "foundation/Error.h"
#include "foundation/FrameCodec.h"

namespace morvex::helper {

class HelperConnection;

class HelperService {
public:
    // Connections served or being checked at once; more wait in the socket's queue.
    static constexpr int kMaxConnections = 64;
    // Bytes a connection may have waiting to be sent before it is cut off.
    static constexpr std::size_t kMaxPendingOutput = 4 * 1024 * 1024;
    // Connections whose lines are logged at once, and how many more per second after that.
    static constexpr int kLogBurst = 32;
    static constexpr int kLogPerSecond = 1;

    struct Options {
        std::string socketPath;   // bound (and removed at exit) when no socket is inherited
        int listenFd = -1;        // an inherited listening socket (socket activation)
        CommandSet::Options commands;
        CallerCheck check;
        // The bus of the login manager; empty: the system bus.
        std::string loginBus;
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
    // Ends the service at the next step (a termination signal); open connections are closed and
    // checks under way are not waited for.
    void requestQuit();
    // Connections being checked or served right now.
    int openConnections() const;

private:
    // Wakes the event loop; shared with the checks and the connections, which may outlive the
    // service.
    struct Waker {
        int fd = -1;
        Waker();
        ~Waker();
        void wake() const;
        void drain() const;
    };
    // The state the loop, the check threads and the main loop share; a thread still checking its
    // caller holds it after the service has gone.
    struct Shared {
        std::mutex mutex;  // guards everything below
        std::condition_variable changed;
        std::vector<std::shared_ptr<HelperConnection>> connections;  // served, in accept order
        bool shouldQuit = false;
        bool quitRequested = false;
        bool quitting = false;
        int checking = 0;  // connections whose caller is being checked
        std::uint64_t accepted = 0;
        // The log's budget of connections (see kLogBurst).
        double logTokens = kLogBurst;
        std::chrono::steady_clock::time_point logRefilled = std::chrono::steady_clock::now();
        std::uint64_t notLogged = 0;
        std::shared_ptr<Waker> waker = std::make_shared<Waker>();
    };

    void eventLoop();
    // Takes the connections waiting in the socket's queue, as many as there is room for.
    void acceptWaiting();
    // Reads what a served connection sent and hands each whole frame on; false when it is over.
    bool readFrom(HelperConnection& connection, const std::shared_ptr<HelperConnection>& shared);
    // The connection's check, on its own thread; hands the caller to the loop when it passes.
    static void check(const std::shared_ptr<Shared>& shared, const CallerCheck& check,
                      const std::shared_ptr<LoginSessions>& sessions, int fd, std::uint64_t order,
                      timespec acceptedAt);
    // Whether the lines of one more connection may be logged; the number dropped since the last
    // logged one goes to `dropped`.
    static bool admitToLog(Shared& shared, std::uint64_t& dropped);
    void handleFrame(const std::shared_ptr<HelperConnection>& connection, const wire::Frame& frame);
    void removeConnection(const std::shared_ptr<HelperConnection>& connection);
    std::shared_ptr<AppLogger> appLogger();
    // Stops the loop and closes every served connection.
    void stopLoop();

    Options options_;
    CommandSet commands_;
    int listenFd_ = -1;
    bool ownsSocketPath_ = false;
    std::thread loop_;
    std::shared_ptr<LoginSessions> sessions_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace morvex::helper
