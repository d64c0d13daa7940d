#pragma once
// The pipe between the application and the sign-in window's own process (the bundle's
// MorvexVPNSignIn). The web engine cannot be unloaded from a process once loaded, so the window
// runs in a process that ends with the sign-in and takes the engine and its helpers with it.
//
// Each message is one line: a verb, then its fields, each percent-encoded (UTF-8), separated by
// single spaces, ended by "\n"; an empty field is a lone "%". The answer carries the callback URL (a code, a state), so it only
// ever goes over the pipe: never on a command line, in the environment or in a file.
//
// The reader takes whatever arrives, in pieces of any size, and turns complete lines into
// messages. It holds at most one line of `maxLine` bytes; a longer line, a byte outside printable
// ASCII, a malformed escape, a field that is not UTF-8 or a verb not in the table stops it for
// good with a readable error. Messages read before the bad input stay readable.
//
// Threads: any, one reader per thread.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::appkit::signin {

// Application to window: the sign-in to run (url, callback scheme, "1" for an ephemeral session,
// window title, width, height, then x, y, width and height of the window to stand over, or empty
// fields), a script to run in the page, a request to close the window as its close button would.
inline constexpr std::string_view kStart = "start";
inline constexpr std::string_view kRunScript = "run";
inline constexpr std::string_view kClose = "close";
// Window to application: the page's title, an https link clicked on the page (for the desktop's
// browser), then exactly one of the callback URL or a failure (error code, message).
inline constexpr std::string_view kTitle = "title";
inline constexpr std::string_view kOpenOutside = "open";
inline constexpr std::string_view kCallback = "callback";
inline constexpr std::string_view kFailed = "failed";

inline constexpr std::size_t kMaxLine = 64 * 1024;

struct Message {
    std::string verb;
    QStringList fields;
};

struct Verb {
    std::string_view name;
    int fields;
};
// What each side accepts.
inline constexpr Verb kWindowVerbs[] = {{kStart, 10}, {kRunScript, 1}, {kClose, 0}};
inline constexpr Verb kApplicationVerbs[] = {{kTitle, 1}, {kOpenOutside, 1}, {kCallback, 1}, {kFailed, 2}};

QByteArray encode(std::string_view verb, const QStringList& fields = {});

class Reader {
public:
    Reader(std::vector<Verb> accepted, std::size_t maxLine = kMaxLine);

    // Takes the next bytes; false once the input is bad (see error()). Bytes after bad input are ignored.
    bool feed(QByteArrayView bytes);
    // The complete messages read so far, in order; taken once.
    std::vector<Message> take();
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    // Bytes of a line that has not ended yet.
    bool hasPartialLine() const { return !line_.isEmpty(); }

private:
    void parseLine(const QByteArray& line);
    void fail(std::string error);

    std::vector<Verb> accepted_;
    std::size_t maxLine_;
    QByteArray line_;
    std::vector<Message> messages_;
    std::string error_;
};

}  // namespace morvex::appkit::signin
