#include "foundation/HttpWire.h"

#include <algorithm>
#include <cctype>

#include "foundation/HttpTypes.h"

namespace morvex::http::wire {

namespace {

bool isTokenChar(unsigned char c) {
    if (std::isalnum(c)) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimOWS(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) { return lower(a) == lower(b); }

// The fields that frame the message on the wire belong to this layer, never to the caller; so does
// the choice of content coding, since the reader takes bodies only as they are.
bool isFramingField(std::string_view name) {
    for (auto f : {"host", "content-length", "transfer-encoding", "connection", "accept-encoding"})
        if (equalsIgnoringCase(name, f)) return true;
    return false;
}

// Splits a list-valued field ("a, b ,c") into its trimmed, lower-case items.
std::vector<std::string> listItems(std::string_view value) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos <= value.size()) {
        auto comma = value.find(',', pos);
        auto item = trimOWS(value.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
        if (!item.empty()) items.push_back(lower(item));
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return items;
}

std::string printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s.substr(0, 40)) out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    return out;
}

constexpr std::size_t kMaxChunkLine = 1024;

}  // namespace

std::optional<std::string> invalidFieldName(std::string_view name) {
    if (name.empty()) return "a header field has no name";
    for (unsigned char c : name) {
        if (c == '\r' || c == '\n' || c == '\0')
            return "the header field name \"" + printable(name) + "\" has a line break or NUL in it";
        if (!isTokenChar(c)) return "the header field name \"" + printable(name) + "\" is not a token";
    }
    return std::nullopt;
}

std::optional<std::string> invalidFieldValue(std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return std::string("the value has a line break or NUL in it");
    return std::nullopt;
}

std::string requestHead(Method method, const QUrl& url, const Headers& headers, std::optional<std::size_t> bodySize) {
    // QUrl turns "%2E" back into "."; a "." or ".." segment that reaches the path (a name built
    // from data) goes out escaped, so that no server takes it for "this folder" or "the one above".
    std::string target;
    const std::string path = url.path(QUrl::FullyEncoded).toStdString();
    for (std::size_t pos = 0; pos < path.size();) {
        auto slash = path.find('/', pos);
        auto segment = std::string_view(path).substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        target += segment == "." ? "%2E" : segment == ".." ? "%2E%2E" : std::string(segment);
        if (slash == std::string::npos) break;
        target += '/';
        pos = slash + 1;
    }
    if (target.empty()) target = "/";
    if (url.hasQuery()) target += "?" + url.query(QUrl::FullyEncoded).toStdString();
    std::string host = url.host(QUrl::FullyEncoded).toStdString();
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    int defaultPort = url.scheme() == "https" ? 443 : 80;
    if (url.port() != -1 && url.port() != defaultPort) host += ":" + std::to_string(url.port());

    std::string head;
    head.reserve(256);
    head += methodName(method);
    head += " " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto& [name, value] : headers.fields()) {
        if (isFramingField(name)) continue;
        head += name + ": " + value + "\r\n";
    }
    bool bodyExpected = method == Method::POST || method == Method::PUT || method == Method::PATCH;
    if (bodySize || bodyExpected) head += "Content-Length: " + std::to_string(bodySize.value_or(0)) + "\r\n";
    head += "Accept-Encoding: identity\r\nConnection: close\r\n\r\n";
    return head;
}

ResponseReader::ResponseReader(bool headRequest, Limits limits, std::function<bool(const Head&)> onHead,
                               std::function<bool(std::string_view)> onBody)
    : headRequest_(headRequest), limits_(limits), onHead_(std::move(onHead)), onBody_(std::move(onBody)),
      headBudget_(limits.maxHeadBytes) {}

bool ResponseReader::fail(std::string why) {
    state_ = State::failed;
    error_ = std::move(why);
    return false;
}

// Collects one line, counting every byte of it against `budget`; `haveLine` tells whether the
// line is complete (then `out` holds it without its CR LF).
bool ResponseReader::line(std::string& out, std::string_view& bytes, std::size_t& budget, bool& haveLine) {
    haveLine = false;
    auto newline = bytes.find('\n');
    std::size_t take = newline == std::string_view::npos ? bytes.size() : newline + 1;
    if (take > budget) return false;
    budget -= take;
    pending_.append(bytes.substr(0, newline == std::string_view::npos ? take : newline));
    bytes.remove_prefix(take);
    if (newline == std::string_view::npos) return true;
    if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
    out = std::move(pending_);
    pending_.clear();
    haveLine = true;
    return true;
}

bool ResponseReader::headLine(std::string_view text) {
    if (state_ == State::statusLine) {
        if (text.empty()) return true;  // stray blank lines before the status line are tolerated
        // HTTP/1.x SP 3DIGIT [SP reason]
        if (text.size() < 12 || !text.starts_with("HTTP/1.") || !std::isdigit(static_cast<unsigned char>(text[7])) ||
            text[8] != ' ' || !std::all_of(text.begin() + 9, text.begin() + 12, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
            (text.size() > 12 && text[12] != ' '))
            return fail("the status line \"" + printable(text) + "\" is not HTTP/1.x");
        head_ = Head{};
        head_.status = std::stoi(std::string(text.substr(9, 3)));
        if (head_.status < 100) return fail("the status " + std::to_string(head_.status) + " does not exist");
        head_.reason = std::string(text.size() > 13 ? text.substr(13) : std::string_view());
        state_ = State::fields;
        return true;
    }
    if (text.empty()) return endOfHead();
    if (text.front() == ' ' || text.front() == '\t') return fail("a header field is folded over two lines");
    auto colon = text.find(':');
    if (colon == std::string_view::npos) return fail("a header line has no colon");
    auto name = text.substr(0, colon);
    auto value = trimOWS(text.substr(colon + 1));
    if (auto why = invalidFieldName(name)) return fail(*why);
    if (auto why = invalidFieldValue(value)) return fail("the header field \"" + printable(name) + "\": " + *why);
    if (head_.fields.size() >= limits_.maxFields)
        return fail("the answer has more than " + std::to_string(limits_.maxFields) + " header fields");
    head_.fields.emplace_back(std::string(name), std::string(value));
    return true;
}

bool ResponseReader::endOfHead() {
    if (head_.status < 200) {
        if (head_.status == 101) return fail("the server switched protocols, which was not asked for");
        if (++interim_ > limits_.maxInterimAnswers) return fail("the server sent too many interim (1xx) answers");
        state_ = State::statusLine;
        return true;
    }
    bool noBody = headRequest_ || head_.status == 204 || head_.status == 304;
    std::vector<std::string> codings, lengths, encodings;
    for (const auto& [name, value] : head_.fields) {
        auto target = equalsIgnoringCase(name, "transfer-encoding") ? &codings
                    : equalsIgnoringCase(name, "content-length")    ? &lengths
                    : equalsIgnoringCase(name, "content-encoding")  ? &encodings
                                                                    : nullptr;
        if (!target) continue;
        auto items = listItems(value);
        if (items.empty() && target == &lengths) return fail("the Content-Length field is empty");
        target->insert(target->end(), items.begin(), items.end());
    }
    if (!noBody) {
        // Nothing but the identity coding is ever asked for; a body in another one cannot be read.
        for (const auto& e : encodings)
            if (e != "identity") return fail("the body is encoded as \"" + printable(e) + "\", which was not asked for");
        if (!codings.empty()) {
            if (codings.size() != 1 || codings.front() != "chunked")
                return fail("the transfer coding \"" + printable(codings.back()) + "\" is not supported");
            chunked_ = true;
        } else if (!lengths.empty()) {
            const auto& first = lengths.front();
            if (first.size() > 18 || !std::all_of(first.begin(), first.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                return fail("the Content-Length \"" + printable(first) + "\" is not a length");
            if (std::any_of(lengths.begin(), lengths.end(), [&](const std::string& l) { return l != first; }))
                return fail("the answer states two different lengths");
            head_.contentLength = std::stoull(first);
        }
    }
    headSeen_ = true;
    if (onHead_ && !onHead_(head_)) {
        state_ = State::failed;
        return false;
    }
    if (noBody) state_ = State::done;
    else if (chunked_) state_ = State::chunkSize;
    else if (head_.contentLength) {
        remaining_ = *head_.contentLength;
        state_ = remaining_ == 0 ? State::done : State::body;
    } else state_ = State::untilClose;
    return true;
}

bool ResponseReader::deliver(std::string_view piece) {
    if (piece.empty() || !onBody_ || onBody_(piece)) return true;
    state_ = State::failed;
    return false;
}

bool ResponseReader::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        switch (state_) {
        case State::done: return true;  // anything after the answer is ignored
        case State::failed: return false;
        case State::statusLine:
        case State::fields: {
            std::string text;
            bool haveLine = false;
            if (!line(text, bytes, headBudget_, haveLine))
                return fail("the answer's head is larger than " + std::to_string(limits_.maxHeadBytes) + " bytes");
            if (haveLine && !headLine(text)) return false;
            break;
        }
        case State::chunkSize:
        case State::chunkEnd:
        case State::trailer: {
            std::string text;
            bool haveLine = false;
            std::size_t lineBudget = kMaxChunkLine - pending_.size();
            std::size_t& budget = state_ == State::trailer ? headBudget_ : lineBudget;
            if (!line(text, bytes, budget, haveLine)) return fail("a chunk line or the trailer is too long");
            if (!haveLine) break;
            if (state_ == State::chunkEnd) {
                if (!text.empty()) return fail("a chunk is longer than its stated size");
                state_ = State::chunkSize;
            } else if (state_ == State::trailer) {
                if (text.empty()) state_ = State::done;
                else if (++trailerFields_ > limits_.maxFields) return fail("the trailer has too many fields");
            } else {
                auto size = trimOWS(std::string_view(text).substr(0, text.find(';')));
                if (size.empty() || size.size() > 15 ||
                    !std::all_of(size.begin(), size.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
                    return fail("the chunk size \"" + printable(size) + "\" is not a hexadecimal number");
                remaining_ = std::stoull(std::string(size), nullptr, 16);
                if (remaining_ == 0) {
                    headBudget_ = limits_.maxHeadBytes;  // the trailer gets a head's allowance
                    state_ = State::trailer;
                } else state_ = State::chunkData;
            }
            break;
        }
        case State::body:
        case State::chunkData: {
            auto take = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, bytes.size()));
            auto piece = bytes.substr(0, take);
            bytes.remove_prefix(take);
            remaining_ -= take;
            if (remaining_ == 0) state_ = state_ == State::body ? State::done : State::chunkEnd;
            if (!deliver(piece)) return false;
            break;
        }
        case State::untilClose: {
            auto piece = bytes;
            bytes = {};
            if (!deliver(piece)) return false;
            break;
        }
        }
    }
    return state_ != State::failed;
}

bool ResponseReader::finish() {
    if (state_ == State::untilClose) state_ = State::done;
    if (state_ == State::done) return true;
    if (state_ == State::failed) return false;
    return fail(headSeen_ ? "the connection closed before the whole body arrived"
                          : "the connection closed before an answer arrived");
}

}  // namespace morvex::http::wire
