#pragma once
// The helper's two kinds of log lines: plain lines on standard output, and the system log under
// the helper's bundle identifier with the category "HelperTOOL" (info messages only).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::helper {

inline constexpr std::string_view kLogCategory = "HelperTOOL";

// A line on standard output.
void print(std::string_view line);
// A line on standard error (the system log of a service).
void logError(std::string_view line);

// Holds back every line that print, logError and SystemLog::info write on this thread while it
// lives, so the lines about one connection can be written together, or not at all when callers
// come faster than the log takes them.
class LineCapture {
public:
    enum class Kind { print, error, system };
    struct Line {
        Kind kind;
        std::string text;
    };
    LineCapture();
    ~LineCapture();
    LineCapture(const LineCapture&) = delete;
    LineCapture& operator=(const LineCapture&) = delete;
    // Ends the holding back and hands over the lines held so far.
    std::vector<Line> take();
    // Writes lines as they would have been written.
    static void write(const std::vector<Line>& lines);

private:
    LineCapture* previous_;
    std::vector<Line> lines_;
    bool active_ = true;
    friend struct LineCaptureAccess;
};

class SystemLog {
public:
    using Sink = std::function<void(std::string_view subsystem, std::string_view category, std::string_view message)>;
    // The subsystem is fixed by the first message; later calls change nothing.
    static void setSubsystem(std::string subsystem);
    static void info(std::string_view message);
    // Replaces syslog as the destination (tests); an empty sink restores syslog.
    static void setSink(Sink sink);
};

}  // namespace morvex::helper
