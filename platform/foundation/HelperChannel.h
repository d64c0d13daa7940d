#pragma once
// The client end of the privileged helper's socket: one connection, commands sent as frames,
// log lines handed to a callback as they arrive, and the one-element reply returned.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/Error.h"
#include "foundation/FrameCodec.h"

namespace morvex {

inline constexpr std::string_view kHelperChannelErrorDomain = "HelperChannelErrorDomain";

// The one element of a reply: an exit status (or -1 for a refusal), or a text.
using HelperReply = std::variant<std::int64_t, std::string>;

class HelperChannel {
public:
    using LogHandler = std::function<void(std::string_view line)>;

    // Connects to the helper's socket and waits until the helper has checked this program and
    // accepted it (no byte may be sent before that); the error says why not (no such socket, a
    // refused program — the helper closes the connection —, no answer within `timeout`).
    static Result<HelperChannel> connect(const std::string& socketPath,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(5));

    HelperChannel(HelperChannel&& other) noexcept;
    HelperChannel& operator=(HelperChannel&& other) noexcept;
    HelperChannel(const HelperChannel&) = delete;
    HelperChannel& operator=(const HelperChannel&) = delete;
    ~HelperChannel();

    // Sends the command list and waits for its reply; log lines that come first go to `onLog`.
    // A connection closed before the reply (a refused caller, a helper that went away) is an error.
    Result<HelperReply> call(const std::vector<std::string>& command, const LogHandler& onLog = {},
                             std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Sends raw bytes (tests that speak the wire format by hand).
    bool sendRaw(std::string_view bytes);
    int fd() const { return fd_; }
    void close();

private:
    explicit HelperChannel(int fd) : fd_(fd) {}
    Result<void> awaitAcceptance(std::chrono::milliseconds timeout);
    int fd_ = -1;
    std::uint32_t nextId_ = 1;
    wire::FrameReader reader_;
};

}  // namespace morvex
