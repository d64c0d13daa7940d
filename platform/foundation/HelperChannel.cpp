#include "foundation/HelperChannel.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "foundation/FrameCodec.h"

namespace morvex {

namespace {

Error channelError(int code, std::string message) {
    return Error(std::string(kHelperChannelErrorDomain), code, std::move(message));
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

Result<HelperChannel> HelperChannel::connect(const std::string& socketPath, std::chrono::milliseconds timeout) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return fail(channelError(1, "invalid helper socket path: " + socketPath));
    std::memcpy(addr.sun_path, socketPath.data(), socketPath.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(channelError(errno, std::strerror(errno)));
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(channelError(e, "cannot reach the helper at " + socketPath + ": " + std::strerror(e)));
    }
    HelperChannel channel(fd);
    if (auto accepted = channel.awaitAcceptance(timeout); !accepted) return fail(accepted.error());
    return channel;
}

Result<void> HelperChannel::awaitAcceptance(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buf[4096];
    for (;;) {
        auto r = reader_.next();
        if (r.status == wire::DecodeStatus::Frame) {
            if (r.frame.kind == wire::FrameKind::Accepted) return {};
            return fail(channelError(5, "the helper sent something else before accepting this program"));
        }
        if (r.status != wire::DecodeStatus::NeedMore)
            return fail(channelError(5, "the helper sent an unreadable frame"));
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return fail(channelError(ETIMEDOUT, "the helper did not accept this program in time"));
        pollfd p{fd_, POLLIN, 0};
        const int pr = ::poll(&p, 1, static_cast<int>(left.count()));
        if (pr <= 0) continue;
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            return fail(channelError(EACCES, "the helper closed the connection without accepting this program"));
        reader_.append(std::string_view(buf, static_cast<std::size_t>(n)));
    }
}

HelperChannel::HelperChannel(HelperChannel&& other) noexcept
    : fd_(other.fd_), nextId_(other.nextId_), reader_(std::move(other.reader_)) {
    other.fd_ = -1;
}

HelperChannel& HelperChannel::operator=(HelperChannel&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        nextId_ = other.nextId_;
        reader_ = std::move(other.reader_);
        other.fd_ = -1;
    }
    return *this;
}

HelperChannel::~HelperChannel() { close(); }

void HelperChannel::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool HelperChannel::sendRaw(std::string_view bytes) { return fd_ >= 0 && writeAll(fd_, bytes); }

Result<HelperReply> HelperChannel::call(const std::vector<std::string>& command, const LogHandler& onLog,
                                        std::chrono::milliseconds timeout) {
    if (fd_ < 0) return fail(channelError(2, "the helper connection is closed"));
    for (const auto& item : command)
        if (!wire::isValidUtf8(item)) return fail(channelError(3, "a command element is not UTF-8 text"));
    const std::uint32_t id = nextId_++;
    const auto bytes = wire::encodeFrame({wire::FrameKind::Command, id, command});
    if (!bytes) return fail(channelError(4, "the command is larger than a frame may be"));
    if (!writeAll(fd_, *bytes)) return fail(channelError(errno, "cannot send to the helper"));

    auto& reader = reader_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buf[16384];
    for (;;) {
        auto r = reader.next();
        if (r.status == wire::DecodeStatus::Frame) {
            auto& f = r.frame;
            if (f.kind == wire::FrameKind::LogStdErr || f.kind == wire::FrameKind::LogStdOut) {
                if (onLog)
                    for (const auto& line : f.items) onLog(line);
                continue;
            }
            if (f.id != id && f.id != 0) continue;  // a late answer to an earlier, abandoned call
            if (f.items.size() != 1) return fail(channelError(5, "the helper's reply is not a list of one element"));
            if (f.kind == wire::FrameKind::ReplyText) return HelperReply(f.items[0]);
            if (f.kind == wire::FrameKind::ReplyNumber) {
                try {
                    std::size_t used = 0;
                    const long long v = std::stoll(f.items[0], &used);
                    if (used == f.items[0].size()) return HelperReply(static_cast<std::int64_t>(v));
                } catch (...) {
                }
            }
            return fail(channelError(5, "the helper's reply cannot be read"));
        }
        if (r.status == wire::DecodeStatus::Oversized || r.status == wire::DecodeStatus::Malformed)
            return fail(channelError(5, "the helper sent an unreadable frame"));
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return fail(channelError(ETIMEDOUT, "the helper did not answer in time"));
        pollfd p{fd_, POLLIN, 0};
        const int pr = ::poll(&p, 1, static_cast<int>(left.count()));
        if (pr < 0 && errno == EINTR) continue;
        if (pr <= 0) continue;
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(channelError(ECONNRESET, "the helper closed the connection"));
        reader.append(std::string_view(buf, static_cast<std::size_t>(n)));
    }
}

}  // namespace morvex
