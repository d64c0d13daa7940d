#include "HelperService.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <chrono>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "CallerProcess.h"
#include "HelperLog.h"
#include "foundation/Log.h"

namespace morvex::helper {

// One accepted client: the logger the commands write to, and the end replies go to. It holds the
// caller's process by its pidfd; nothing is sent once that process has ended. Its socket does not
// block: what the socket does not take at once waits in `pending_` for the event loop.
class HelperConnection final : public AppLogger {
public:
    HelperConnection(int fd, BoundProcess caller, std::uint64_t order, std::function<void()> wakeLoop)
        : fd_(fd), caller_(std::move(caller)), order_(order), wakeLoop_(std::move(wakeLoop)) {}
    ~HelperConnection() override { ::close(fd_); }

    int fd() const { return fd_; }
    const BoundProcess& caller() const { return caller_; }
    pid_t pid() const { return caller_.pid(); }
    uid_t uid() const { return caller_.uid(); }
    std::uint64_t order() const { return order_; }
    wire::FrameReader& reader() { return reader_; }  // the loop's alone

    bool send(const wire::Frame& frame) {
        const auto bytes = wire::encodeFrame(frame);
        if (!bytes) return false;
        bool wake = false;
        {
            std::lock_guard lock(writeMutex_);
            if (broken_) return false;
            if (!caller_.alive()) {
                // Whoever holds the socket now is not the process that was checked.
                breakLocked();
                return false;
            }
            // Behind bytes already waiting, in order; else straight to the socket.
            std::string_view rest = *bytes;
            if (pending_.empty() && !writeSome(rest)) return false;
            if (!rest.empty()) {
                if (pending_.size() + rest.size() > HelperService::kMaxPendingOutput) {
                    // A client that does not read its replies is not waited for.
                    breakLocked();
                    return false;
                }
                wake = pending_.empty();
                pending_.append(rest);
            }
        }
        if (wake && wakeLoop_) wakeLoop_();  // the loop now waits for room on the socket
        return true;
    }
    // Writes what is waiting (the loop, when the socket has room); false once the connection broke.
    bool flush() {
        std::lock_guard lock(writeMutex_);
        if (broken_) return false;
        std::string_view rest = pending_;
        const bool ok = writeSome(rest);
        pending_.erase(0, pending_.size() - rest.size());
        return ok;
    }
    bool hasPending() {
        std::lock_guard lock(writeMutex_);
        return !broken_ && !pending_.empty();
    }
    bool broken() {
        std::lock_guard lock(writeMutex_);
        return broken_;
    }
    void reply(std::uint32_t id, const ReplyValue& value) {
        if (const auto* n = std::get_if<std::int64_t>(&value))
            send({wire::FrameKind::ReplyNumber, id, {std::to_string(*n)}});
        else
            send({wire::FrameKind::ReplyText, id, {std::get<std::string>(value)}});
    }
    void logWithStdOut(std::string_view line) override {
        send({wire::FrameKind::LogStdOut, 0, {std::string(line)}});
    }
    void logWithStdErr(std::string_view line) override {
        send({wire::FrameKind::LogStdErr, 0, {std::string(line)}});
    }
    void shutdown() { ::shutdown(fd_, SHUT_RDWR); }

private:
    // Sends as much of `rest` as the socket takes now; false (and broken) on an error.
    bool writeSome(std::string_view& rest) {
        while (!rest.empty()) {
            const ssize_t n = ::send(fd_, rest.data(), rest.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
                breakLocked();
                return false;
            }
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    void breakLocked() {
        broken_ = true;
        pending_.clear();
        ::shutdown(fd_, SHUT_RDWR);
    }

    int fd_;
    BoundProcess caller_;
    std::uint64_t order_;
    std::function<void()> wakeLoop_;
    wire::FrameReader reader_;
    std::mutex writeMutex_;
    std::string pending_;
    bool broken_ = false;
};

namespace {

// Every read names its sender's process; accepted connections inherit the option from the
// listening socket, and bytes sent before the accept carry their sender too.
void passCredentials(int fd) {
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &one, sizeof one);
}

// Reads from a connection whose sender credentials the kernel attaches (SO_PASSCRED); the
// kernel never joins bytes of different senders in one read. Bytes sent by any process but
// `caller` fail with EPERM.
ssize_t receiveFromCaller(int fd, char* buf, std::size_t size, pid_t caller) {
    iovec iov{buf, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &msg, MSG_CMSG_CLOEXEC);
    if (n <= 0) return n;
    pid_t sender = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS && c->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
            ucred u{};
            std::memcpy(&u, CMSG_DATA(c), sizeof u);
            sender = u.pid;
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            // Descriptors a client sends along are never used: they must not pile up here.
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int passed = -1;
                std::memcpy(&passed, CMSG_DATA(c) + i * sizeof(int), sizeof passed);
                if (passed >= 0) ::close(passed);
            }
        }
    }
    if (sender <= 0 || sender != caller) {
        errno = EPERM;
        return -1;
    }
    return n;
}

void report(std::string_view line) {
    print(line);
    SystemLog::info(line);
}

}  // namespace

HelperService::Waker::Waker() : fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

HelperService::Waker::~Waker() {
    if (fd >= 0) ::close(fd);
}

void HelperService::Waker::wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto w = ::write(fd, &one, sizeof one);
}

void HelperService::Waker::drain() const {
    std::uint64_t count = 0;
    [[maybe_unused]] auto r = ::read(fd, &count, sizeof count);
}

HelperService::HelperService(Options options)
    : options_(std::move(options)),
      commands_(options_.commands),
      sessions_(std::make_shared<LoginSessions>(options_.loginBus)) {
    SystemLog::setSubsystem(bundleIdentifierOrZero(options_.commands.info));
    report("@Helper Init");
}

HelperService::~HelperService() {
    requestQuit();
    stopLoop();
    if (listenFd_ >= 0) ::close(listenFd_);
    if (ownsSocketPath_) ::unlink(options_.socketPath.c_str());
}

void HelperService::stopLoop() {
    if (loop_.joinable()) {
        shared_->waker->wake();
        loop_.join();
    }
    // Nothing reads the connections any more: they end now. A command still queued may hold
    // one; what it sends then goes nowhere.
    std::vector<std::shared_ptr<HelperConnection>> closing;
    {
        std::lock_guard lock(shared_->mutex);
        closing.swap(shared_->connections);
        shared_->changed.notify_all();
    }
    for (auto& c : closing) c->shutdown();
}

Result<void> HelperService::resume() {
    if (options_.listenFd >= 0) {
        listenFd_ = options_.listenFd;
        passCredentials(listenFd_);
        // An inherited socket comes without close-on-exec; the tools the commands start must not
        // get the service's socket.
        ::fcntl(listenFd_, F_SETFD, ::fcntl(listenFd_, F_GETFD) | FD_CLOEXEC);
    } else {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (options_.socketPath.empty() || options_.socketPath.size() + 4 >= sizeof addr.sun_path)
            return fail(Error("HelperServiceErrorDomain", 1, "invalid socket path: " + options_.socketPath));
        // Bound under a temporary name and moved into place once listening, so a client never
        // finds a socket that refuses it.
        const std::string temporary = options_.socketPath + ".new";
        std::memcpy(addr.sun_path, temporary.data(), std::min(temporary.size(), sizeof addr.sun_path - 1));
        listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listenFd_ >= 0) passCredentials(listenFd_);
        ::unlink(temporary.c_str());
        if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listenFd_, 16) != 0 ||
            // Every user's client may connect; the caller check decides who is served.
            ::chmod(temporary.c_str(), 0666) != 0 || ::rename(temporary.c_str(), options_.socketPath.c_str()) != 0) {
            const int e = errno;
            ::unlink(temporary.c_str());
            return fail(Error("HelperServiceErrorDomain", e,
                              "cannot listen on " + options_.socketPath + ": " + std::strerror(e)));
        }
        ownsSocketPath_ = true;
    }
    // The loop takes connections without waiting on the queue.
    ::fcntl(listenFd_, F_SETFL, ::fcntl(listenFd_, F_GETFL) | O_NONBLOCK);
    loop_ = std::thread([this] { eventLoop(); });
    return {};
}

void HelperService::requestQuit() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->quitRequested = true;
        shared_->changed.notify_all();
    }
    shared_->waker->wake();
}

int HelperService::openConnections() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->checking + static_cast<int>(shared_->connections.size());
}

int HelperService::run() {
    report("@Helper run");
    if (!loop_.joinable()) {
        if (auto r = resume(); !r) {
            log::nslog(r.error().localizedDescription());
            return 1;
        }
    }
    const auto step = std::chrono::duration<double>(options_.shouldQuitCheckInterval);
    {
        Shared& s = *shared_;
        std::unique_lock lock(s.mutex);
        for (;;) {
            // The decision and the loop's accept share the lock, so no client is accepted and
            // then dropped: a client that comes later waits in the socket's queue.
            if (s.quitRequested || (s.shouldQuit && s.connections.empty() && s.checking == 0)) {
                s.quitting = true;
                break;
            }
            s.changed.wait_for(lock, step, [&s] { return s.quitRequested; });
        }
    }
    // Served connections are closed with the loop; a check still under way is not waited for
    // (its client is turned away when it ends).
    stopLoop();
    commands_.drain();
    print("@Helper Main Running");
    return 0;
}

void HelperService::eventLoop() {
    Shared& s = *shared_;
    std::vector<std::shared_ptr<HelperConnection>> served;
    std::vector<pollfd> fds;
    for (;;) {
        bool room = false;
        {
            std::lock_guard lock(s.mutex);
            if (s.quitting || s.quitRequested) return;
            served = s.connections;
            // A client that opens connections faster than they are checked waits in the socket's
            // queue instead of using up the process's threads and descriptors.
            room = s.checking + static_cast<int>(s.connections.size()) < kMaxConnections;
        }
        fds.clear();
        fds.push_back({s.waker->fd, POLLIN, 0});
        fds.push_back({room ? listenFd_ : -1, POLLIN, 0});
        // Each connection: its socket, and the caller's pidfd, so that the connection ends with
        // the process that was checked, even while another process still holds the socket.
        for (const auto& c : served) {
            fds.push_back({c->fd(), static_cast<short>(POLLIN | (c->hasPending() ? POLLOUT : 0)), 0});
            fds.push_back({c->caller().pidfd(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) s.waker->drain();
        if (fds[1].revents) acceptWaiting();
        for (std::size_t i = 0; i < served.size(); ++i) {
            const auto& c = served[i];
            const short io = fds[2 + 2 * i].revents;
            bool open = !c->broken();
            if (open && fds[3 + 2 * i].revents) {
                print("@Helper the caller's process has ended; connection closed");
                open = false;
            }
            if (open && (io & POLLOUT)) open = c->flush();
            if (open && (io & (POLLIN | POLLHUP | POLLERR))) open = readFrom(*c, c);
            // Both ways shut: once what was there is read, nothing more can come.
            if (open && (io & (POLLHUP | POLLERR))) open = false;
            if (!open) {
                c->shutdown();
                removeConnection(c);
            }
        }
        served.clear();
    }
}

void HelperService::acceptWaiting() {
    Shared& s = *shared_;
    for (;;) {
        int fd = -1;
        std::uint64_t order = 0;
        timespec acceptedAt{};
        {
            std::lock_guard lock(s.mutex);
            if (s.quitting || s.quitRequested) return;
            if (s.checking + static_cast<int>(s.connections.size()) >= kMaxConnections) return;
            fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) return;  // none waiting (or one that gave up)
            ::clock_gettime(CLOCK_BOOTTIME, &acceptedAt);
            passCredentials(fd);
            ++s.checking;
            order = ++s.accepted;
        }
        try {
            std::thread([shared = shared_, check = options_.check, sessions = sessions_, fd, order, acceptedAt] {
                HelperService::check(shared, check, sessions, fd, order, acceptedAt);
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: this client is turned away, the service goes on.
            ::close(fd);
            std::lock_guard lock(s.mutex);
            --s.checking;
            s.changed.notify_all();
        }
    }
}

bool HelperService::admitToLog(Shared& shared, std::uint64_t& dropped) {
    std::lock_guard lock(shared.mutex);
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> since = now - shared.logRefilled;
    shared.logTokens = std::min<double>(kLogBurst, shared.logTokens + since.count() * kLogPerSecond);
    shared.logRefilled = now;
    if (shared.logTokens < 1) {
        ++shared.notLogged;
        return false;
    }
    shared.logTokens -= 1;
    dropped = std::exchange(shared.notLogged, 0);
    return true;
}

void HelperService::check(const std::shared_ptr<Shared>& shared, const CallerCheck& check,
                          const std::shared_ptr<LoginSessions>& sessions, int fd, std::uint64_t order,
                          timespec acceptedAt) {
    // Everything the check writes is held back and logged below, once, within the log's budget.
    std::optional<LineCapture> capture(std::in_place);
    report("@Helper listener(_ listener: NSXPCListener");
    auto bound = BoundProcess::ofPeer(fd, acceptedAt);
    pid_t pid = 0;
    uid_t uid = static_cast<uid_t>(-1);
    std::optional<std::string> refusal;
    if (!bound) {
        refusal = bound.error().message;
    } else {
        pid = bound->pid();
        uid = bound->uid();
        // The user first: it costs a question on the bus, while a program may cost a digest.
        refusal = sessions->refusal(uid);
        if (!refusal && !check.isValid(*bound)) refusal = "the program or its process did not pass the check";
    }
    const bool valid = !refusal;
    if (valid) report("@Helper self.isValid(connection YES");
    else report("@Helper self.isValid(connection false");
    // Whatever the caller sent before it was told it is accepted came from whatever ran under its
    // process id before the check looked: such a connection is closed unread.
    bool ready = valid;
    if (valid) {
        char probe;
        const ssize_t n = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            report("@Helper bytes came before the caller was accepted; connection closed");
            refusal = "it wrote before it was accepted";
            ready = false;
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            refusal = "it has gone";
            ready = false;  // the caller has gone already
        }
    }
    const std::string who = "uid " + (bound ? std::to_string(uid) : std::string("unknown")) + " pid " +
                            std::to_string(pid);
    report(ready ? "@Helper caller " + who + " accepted" : "@Helper caller " + who + " refused: " + *refusal);
    auto lines = capture->take();
    capture.reset();
    std::uint64_t dropped = 0;
    if (admitToLog(*shared, dropped)) {
        if (dropped > 0) report("@Helper " + std::to_string(dropped) + " connections were not logged");
        LineCapture::write(lines);
    }
    if (!bound) {
        ::close(fd);
        std::lock_guard lock(shared->mutex);
        --shared->checking;
        shared->changed.notify_all();
        shared->waker->wake();  // room for one more
        return;
    }
    auto connection = std::make_shared<HelperConnection>(fd, std::move(*bound), order,
                                                         [waker = shared->waker] { waker->wake(); });
    bool kept = false;
    {
        std::lock_guard lock(shared->mutex);
        --shared->checking;
        // In the order the connections were accepted, whichever check finished first. A check
        // that ends after the quit began keeps nothing: the quit has already closed the listed
        // connections, and the service may be gone.
        kept = ready && !shared->quitRequested && !shared->quitting;
        // Told it is accepted before it is listed: once listed, the log lines of commands already
        // running go to it, and the caller must read its acceptance first. A connection that
        // cannot be told has broken, and is not listed.
        if (kept) kept = connection->send({wire::FrameKind::Accepted, 0, {}});
        if (kept) {
            auto& list = shared->connections;
            list.insert(std::upper_bound(list.begin(), list.end(), connection,
                                         [](const auto& a, const auto& b) { return a->order() < b->order(); }),
                        connection);
        }
        shared->changed.notify_all();
    }
    if (!kept) connection->shutdown();
    // The loop polls the new connection (or has room for another).
    shared->waker->wake();
}

bool HelperService::readFrom(HelperConnection& connection, const std::shared_ptr<HelperConnection>& shared) {
    char buf[16384];
    for (;;) {
        const ssize_t n = receiveFromCaller(connection.fd(), buf, sizeof buf, connection.pid());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;  // all read for now
        if (n < 0 && errno == EPERM) {
            // The caller check holds for the process it looked at, not for another one that
            // shares its connection (a child that kept it across the caller's exec).
            logError("@Helper bytes from another process than the checked caller; connection closed");
            return false;
        }
        if (n <= 0) {
            // A frame cut off by the end of the stream gets its refusal, if anyone still listens.
            if (connection.reader().buffered() > 0) connection.reply(0, std::int64_t{-1});
            return false;
        }
        // Read while the caller lived, the bytes are its own; after that, nobody's.
        if (!connection.caller().alive()) return false;
        auto& reader = connection.reader();
        reader.append(std::string_view(buf, static_cast<std::size_t>(n)));
        for (;;) {
            auto r = reader.next();
            if (r.status == wire::DecodeStatus::NeedMore) break;
            if (r.status == wire::DecodeStatus::Frame) {
                handleFrame(shared, r.frame);
                continue;
            }
            if (r.status == wire::DecodeStatus::Malformed) {
                print("Couldn't read file.");
                connection.reply(r.id.value_or(0), std::int64_t{-1});
                continue;
            }
            // An oversized length: the stream cannot be followed any further.
            print("Couldn't read file.");
            connection.reply(0, std::int64_t{-1});
            return false;
        }
        // One read per turn when the socket filled the buffer: the other clients get theirs.
        if (static_cast<std::size_t>(n) == sizeof buf) return true;
    }
}

std::shared_ptr<AppLogger> HelperService::appLogger() {
    std::lock_guard lock(shared_->mutex);
    if (shared_->connections.empty()) return nullptr;
    return shared_->connections.back();
}

void HelperService::handleFrame(const std::shared_ptr<HelperConnection>& connection, const wire::Frame& frame) {
    const std::uint32_t id = frame.id;
    if (frame.kind != wire::FrameKind::Command) {
        connection->reply(id, std::int64_t{-1});
        return;
    }
    auto logger = appLogger();
    if (!logger || frame.items.empty()) {
        connection->reply(id, std::int64_t{-1});
        return;
    }
    logger->logWithStdErr("connectWithPaths - - - " + frame.items[0]);
    std::weak_ptr<HelperConnection> weak = connection;
    auto once = std::make_shared<std::atomic<bool>>(false);
    ReplyBlock reply = [weak, id, once](const ReplyValue& value) {
        if (once->exchange(true)) return;
        if (auto c = weak.lock()) c->reply(id, value);
    };
    if (!commands_.run(frame.items, logger, reply, connection->uid())) reply(std::int64_t{-1});
}

void HelperService::removeConnection(const std::shared_ptr<HelperConnection>& connection) {
    std::lock_guard lock(shared_->mutex);
    auto& list = shared_->connections;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == connection) {
            list.erase(it);
            break;
        }
    }
    if (list.empty()) shared_->shouldQuit = true;
    shared_->changed.notify_all();
}

}  // namespace morvex::helper
