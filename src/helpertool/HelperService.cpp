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
// caller's process by its pidfd; nothing is sent once that process has ended.
class HelperConnection final : public AppLogger {
public:
    HelperConnection(int fd, BoundProcess caller, std::uint64_t order)
        : fd_(fd), caller_(std::move(caller)), order_(order) {
        // A client that stops reading must not hold up the work queue for long.
        timeval tv{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    ~HelperConnection() override { ::close(fd_); }

    int fd() const { return fd_; }
    const BoundProcess& caller() const { return caller_; }
    pid_t pid() const { return caller_.pid(); }
    uid_t uid() const { return caller_.uid(); }
    std::uint64_t order() const { return order_; }

    bool send(const wire::Frame& frame) {
        const auto bytes = wire::encodeFrame(frame);
        if (!bytes) return false;
        std::lock_guard lock(writeMutex_);
        if (broken_) return false;
        if (!caller_.alive()) {
            // Whoever holds the socket now is not the process that was checked.
            broken_ = true;
            ::shutdown(fd_, SHUT_RDWR);
            return false;
        }
        std::string_view rest = *bytes;
        while (!rest.empty()) {
            const ssize_t n = ::send(fd_, rest.data(), rest.size(), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR) continue;
                broken_ = true;
                ::shutdown(fd_, SHUT_RDWR);
                return false;
            }
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
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
    int fd_;
    BoundProcess caller_;
    std::uint64_t order_;
    std::mutex writeMutex_;
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

HelperService::HelperService(Options options)
    : options_(std::move(options)),
      commands_(options_.commands),
      sessions_(std::make_shared<LoginSessions>(options_.loginBus)) {
    SystemLog::setSubsystem(bundleIdentifierOrZero(options_.commands.info));
    report("@Helper Init");
}

HelperService::~HelperService() {
    requestQuit();
    if (listener_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto w = ::write(wakeFd_, &one, sizeof one);
        listener_.join();
    }
    {
        std::lock_guard lock(shared_->mutex);
        for (auto& c : shared_->connections) c->shutdown();
    }
    waitForServingThreads();
    if (listenFd_ >= 0) ::close(listenFd_);
    if (ownsSocketPath_) ::unlink(options_.socketPath.c_str());
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void HelperService::waitForServingThreads() {
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait(lock, [this] { return shared_->serving == 0; });
}

Result<void> HelperService::resume() {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
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
    listener_ = std::thread([this] { listenLoop(); });
    return {};
}

void HelperService::requestQuit() {
    std::lock_guard lock(shared_->mutex);
    shared_->quitRequested = true;
    shared_->changed.notify_all();
}

int HelperService::connectionThreads() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->checking + shared_->serving;
}

int HelperService::run() {
    report("@Helper run");
    if (!listener_.joinable()) {
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
            // The decision and the listener's accept share the lock, so no client is accepted
            // and then dropped: a client that comes later waits in the socket's queue.
            if (s.quitRequested || (s.shouldQuit && s.connections.empty() && s.checking == 0)) {
                s.quitting = true;
                break;
            }
            s.changed.wait_for(lock, step, [&s] { return s.quitRequested; });
        }
        for (auto& c : s.connections) c->shutdown();
        s.changed.notify_all();
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto w = ::write(wakeFd_, &one, sizeof one);
    if (listener_.joinable()) listener_.join();
    // Served connections were closed above and end at once; a check still under way is not
    // waited for (its client is turned away when it ends).
    waitForServingThreads();
    commands_.drain();
    print("@Helper Main Running");
    return 0;
}

void HelperService::listenLoop() {
    Shared& s = *shared_;
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!fds[0].revents) continue;
        int fd = -1;
        std::uint64_t order = 0;
        timespec acceptedAt{};
        {
            std::unique_lock lock(s.mutex);
            // Every connection has a thread of its own; a client that opens connections faster
            // than they are checked waits in the socket's queue instead of using up the
            // process's threads and descriptors.
            s.changed.wait(lock, [&s] {
                return s.quitting || s.quitRequested || s.checking + s.serving < kMaxConnectionThreads;
            });
            if (s.quitting || s.quitRequested) return;
            fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ::clock_gettime(CLOCK_BOOTTIME, &acceptedAt);
            passCredentials(fd);
            ++s.checking;
            order = ++s.accepted;
        }
        try {
            std::thread([shared = shared_, check = options_.check, sessions = sessions_, this, fd, order,
                         acceptedAt] { checkAndServe(shared, check, sessions, this, fd, order, acceptedAt); })
                .detach();
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

void HelperService::checkAndServe(const std::shared_ptr<Shared>& shared, const CallerCheck& check,
                                  const std::shared_ptr<LoginSessions>& sessions, HelperService* service, int fd,
                                  std::uint64_t order, timespec acceptedAt) {
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
        return;
    }
    auto connection = std::make_shared<HelperConnection>(fd, std::move(*bound), order);
    bool kept = false;
    {
        std::lock_guard lock(shared->mutex);
        --shared->checking;
        // In the order the connections were accepted, whichever check finished first. A check
        // that ends after the quit began keeps nothing: the quit has already closed the listed
        // connections, and the service may be gone.
        kept = ready && !shared->quitRequested && !shared->quitting;
        if (kept) {
            auto& list = shared->connections;
            list.insert(std::upper_bound(list.begin(), list.end(), connection,
                                         [](const auto& a, const auto& b) { return a->order() < b->order(); }),
                        connection);
            ++shared->serving;
        }
        shared->changed.notify_all();
    }
    if (!kept) return;
    if (connection->send({wire::FrameKind::Accepted, 0, {}})) service->serve(connection);
    else service->removeConnection(connection);
    connection.reset();
    std::lock_guard lock(shared->mutex);
    --shared->serving;
    shared->changed.notify_all();
}

void HelperService::serve(const std::shared_ptr<HelperConnection>& connection) {
    const int fd = connection->fd();
    wire::FrameReader reader;
    char buf[16384];
    bool open = true;
    while (open) {
        // The socket and the caller's pidfd: the connection ends with the process that was
        // checked, even while another process still holds the socket.
        pollfd fds[2] = {{fd, POLLIN, 0}, {connection->caller().pidfd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents) {
            print("@Helper the caller's process has ended; connection closed");
            break;
        }
        const ssize_t n = receiveFromCaller(fd, buf, sizeof buf, connection->pid());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EPERM) {
            // The caller check holds for the process it looked at, not for another one that
            // shares its connection (a child that kept it across the caller's exec).
            logError("@Helper bytes from another process than the checked caller; connection closed");
            break;
        }
        if (n <= 0) {
            // A frame cut off by the end of the stream gets its refusal, if anyone still listens.
            if (reader.buffered() > 0) connection->reply(0, std::int64_t{-1});
            break;
        }
        // Read while the caller lived, the bytes are its own; after that, nobody's.
        if (!connection->caller().alive()) break;
        reader.append(std::string_view(buf, static_cast<std::size_t>(n)));
        for (;;) {
            auto r = reader.next();
            if (r.status == wire::DecodeStatus::NeedMore) break;
            if (r.status == wire::DecodeStatus::Frame) {
                handleFrame(connection, r.frame);
                continue;
            }
            if (r.status == wire::DecodeStatus::Malformed) {
                print("Couldn't read file.");
                connection->reply(r.id.value_or(0), std::int64_t{-1});
                continue;
            }
            // An oversized length: the stream cannot be followed any further.
            print("Couldn't read file.");
            connection->reply(0, std::int64_t{-1});
            open = false;
            break;
        }
    }
    removeConnection(connection);
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
