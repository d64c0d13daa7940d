#include <gtest/gtest.h>

#include "foundation/HttpSession.h"
#include "foundation/HttpWire.h"

namespace morvex::http::wire {
namespace {

struct Read {
    bool ok = false;
    bool complete = false;
    int status = 0;
    std::optional<std::uint64_t> length;
    std::string body;
    std::string error;
};

// Feeds `bytes` in pieces of `piece` bytes, then the close when `close` is set.
Read readAnswer(const std::string& bytes, std::size_t piece, bool close, bool headRequest = false, Limits limits = {}) {
    Read out;
    ResponseReader reader(
        headRequest, limits,
        [&](const ResponseReader::Head& h) {
            out.status = h.status;
            out.length = h.contentLength;
            return true;
        },
        [&](std::string_view b) {
            out.body.append(b);
            return true;
        });
    out.ok = true;
    for (std::size_t pos = 0; out.ok && pos < bytes.size(); pos += piece)
        out.ok = reader.feed(std::string_view(bytes).substr(pos, piece));
    if (out.ok && close) out.ok = reader.finish();
    out.complete = reader.complete();
    out.error = reader.error();
    return out;
}

TEST(ResponseReaderTest, FramesBodiesAsStatedWhateverPiecesTheyArriveIn) {
    struct Case {
        const char* name;
        std::string bytes;
        bool close;
        bool head;
        int status;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"stated length, extra bytes ignored", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, false, 200, "hello"},
        {"chunked with extension and trailer", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n1\r\n!\r\n0\r\nX-T: 1\r\n\r\n", false, false, 200, "hello!"},
        {"until the close", "HTTP/1.0 200 OK\r\n\r\nall of it", true, false, 200, "all of it"},
        {"interim answers first", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early\r\nLink: x\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok", false, false, 201, "ok"},
        {"HEAD has no body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", false, true, 200, ""},
        {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\n", false, false, 204, ""},
        {"bare LF line ends", "HTTP/1.1 404 Not Found\nContent-Length: 3\n\nnot", false, false, 404, "not"},
        {"identity coding", "HTTP/1.1 200 OK\r\nContent-Encoding: identity\r\nContent-Length: 1\r\n\r\n1", false, false, 200, "1"},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, c.bytes.size()}) {
            SCOPED_TRACE(std::string(c.name) + " in pieces of " + std::to_string(piece));
            auto r = readAnswer(c.bytes, piece, c.close, c.head);
            EXPECT_TRUE(r.ok) << r.error;
            EXPECT_TRUE(r.complete);
            EXPECT_EQ(r.status, c.status);
            EXPECT_EQ(r.body, c.body);
        }
    }
}

TEST(ResponseReaderTest, RefusesMalformedAndOversizedAnswers) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    std::string interim;
    for (int i = 0; i < 10; ++i) interim += "HTTP/1.1 100 Continue\r\n\r\n";
    Limits small;
    small.maxHeadBytes = 256;
    small.maxFields = 4;
    struct Case {
        const char* name;
        std::string bytes;
        bool close;
    };
    const std::vector<Case> cases = {
        {"head over its limit", ok + "X: " + std::string(300, 'x') + "\r\n\r\n", false},
        {"head over its limit, never ending", ok + std::string(300, 'x'), false},
        {"too many fields", ok + "A: 1\r\nB: 2\r\nC: 3\r\nD: 4\r\nE: 5\r\n\r\n", false},
        {"trailer over its limit", ok + "Transfer-Encoding: chunked\r\n\r\n0\r\nT: " + std::string(300, 't') + "\r\n\r\n", false},
        {"chunk line that never ends", ok + "Transfer-Encoding: chunked\r\n\r\n1" + std::string(2000, '0'), false},
        {"chunk size too large", ok + "Transfer-Encoding: chunked\r\n\r\nfffffffffffffffff\r\n", false},
        {"folded field", ok + "A: 1\r\n  2\r\n\r\n", false},
        {"space before the colon", ok + "A : 1\r\n\r\n", false},
        {"CR inside a value", ok + "A: 1\r2\r\n\r\n", false},
        {"status line of another protocol", "HTTP/2 200\r\n\r\n", false},
        {"status without three digits", "HTTP/1.1 20 OK\r\n\r\n", false},
        {"switching protocols", "HTTP/1.1 101 Switching\r\n\r\n", false},
        {"endless interim answers", interim, false},
        {"gzip body", ok + "Content-Encoding: gzip\r\nContent-Length: 1\r\n\r\nx", false},
        {"transfer coding besides chunked", ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", false},
        {"length that is no number", ok + "Content-Length: 1x\r\n\r\n", false},
        {"two lengths", ok + "Content-Length: 1, 2\r\n\r\n", false},
        {"closed mid body", ok + "Content-Length: 10\r\n\r\nshort", true},
        {"closed mid chunk", ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhe", true},
        {"closed before any answer", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = readAnswer(c.bytes, 3, c.close, false, small);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.complete);
        EXPECT_FALSE(r.error.empty());
    }
}

TEST(RequestHeadTest, FramingBelongsToTheWireAndDotSegmentsStayNames) {
    Headers headers{{"Accept", "application/json"}, {"Host", "evil"}, {"Content-Length", "999"},
                    {"Transfer-Encoding", "chunked"}, {"Connection", "keep-alive"}, {"Accept-Encoding", "gzip"}};
    auto post = requestHead(Method::POST, QUrl("http://127.0.0.1:8080/a/../b/./c?q=1%202"), headers, std::nullopt);
    EXPECT_EQ(post,
              "POST /a/%2E%2E/b/%2E/c?q=1%202 HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nAccept: application/json\r\n"
              "Content-Length: 0\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(requestHead(Method::GET, QUrl("https://[::1]:443"), {}, std::nullopt),
              "GET / HTTP/1.1\r\nHost: [::1]\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(requestHead(Method::PUT, QUrl("http://h/x"), {}, 3),
              "PUT /x HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
}

TEST(RequestHeadTest, FieldsWithLineBreaksOrNulAreNamed) {
    EXPECT_FALSE(invalidFieldName("X-Token"));
    EXPECT_FALSE(invalidFieldValue("Bearer a.b-c_d~e/f+g= \t\x80"));
    for (const auto& name : std::vector<std::string>{"", "X-A\r\nB", "X A", "X:A", std::string("X\0A", 3)})
        EXPECT_TRUE(invalidFieldName(name)) << name;
    for (const auto& value : std::vector<std::string>{"a\r\nb", "a\nb", "a\rb", std::string("a\0b", 3)})
        EXPECT_TRUE(invalidFieldValue(value));
}

}  // namespace
}  // namespace morvex::http::wire
