#pragma once
// HTTP/1.1 on the wire, as the session speaks it: the request head it writes and an incremental,
// bounded reader of the answer. No sockets here, so every rule can be tried with plain bytes.
//
// The reader holds at most `Limits::maxHeadBytes` of an answer's head (status line and fields,
// interim 1xx answers, each chunk-size line and the trailer) and never more than one field list;
// body bytes pass straight through to the caller without being kept.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QUrl>

namespace morvex::http {
class Headers;
enum class Method;
}  // namespace morvex::http

namespace morvex::http::wire {

// A field name is a token; a value has no CR, LF or NUL. Either answers why not, else nothing.
std::optional<std::string> invalidFieldName(std::string_view name);
std::optional<std::string> invalidFieldValue(std::string_view value);

// The request head: request line, Host, the caller's fields (minus those this layer owns: Host,
// Content-Length, Transfer-Encoding, Connection, Accept-Encoding), Content-Length,
// "Accept-Encoding: identity" and "Connection: close". The fields must have been checked with the
// functions above.
std::string requestHead(Method method, const QUrl& url, const Headers& headers, std::optional<std::size_t> bodySize);

struct Limits {
    std::size_t maxHeadBytes = 64 * 1024;
    std::size_t maxFields = 200;
    int maxInterimAnswers = 8;  // 1xx answers before the final one
};

class ResponseReader {
public:
    struct Head {
        int status = 0;
        std::string reason;
        std::vector<std::pair<std::string, std::string>> fields;
        // The body's length when the answer states it; nothing for chunked or until-close bodies.
        std::optional<std::uint64_t> contentLength;
    };

    // `onHead` runs once for the final answer's head; `onBody` for each piece of the body and
    // answers false to stop reading (the reader then stays where it is).
    ResponseReader(bool headRequest, Limits limits, std::function<bool(const Head&)> onHead,
                   std::function<bool(std::string_view)> onBody);

    // Reads more bytes; false when the answer is malformed or a callback stopped it.
    bool feed(std::string_view bytes);
    // The peer closed the connection: completes an answer whose body runs until the close.
    bool finish();

    bool complete() const { return state_ == State::done; }
    bool headComplete() const { return headSeen_; }
    // Why the answer was refused (empty while nothing is wrong).
    const std::string& error() const { return error_; }

private:
    enum class State { statusLine, fields, body, chunkSize, chunkData, chunkEnd, trailer, untilClose, done, failed };

    bool fail(std::string why);
    bool line(std::string& out, std::string_view& bytes, std::size_t& budget, bool& haveLine);
    bool headLine(std::string_view text);
    bool endOfHead();
    bool deliver(std::string_view piece);

    bool headRequest_;
    Limits limits_;
    std::function<bool(const Head&)> onHead_;
    std::function<bool(std::string_view)> onBody_;

    State state_ = State::statusLine;
    std::string pending_;          // a line not yet ended
    std::size_t headBudget_ = 0;   // bytes of head still allowed
    int interim_ = 0;
    std::size_t trailerFields_ = 0;
    Head head_;
    bool headSeen_ = false;
    bool chunked_ = false;
    std::uint64_t remaining_ = 0;  // body or chunk bytes still to come
    std::string error_;
};

}  // namespace morvex::http::wire
