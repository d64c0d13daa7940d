#pragma once
// The helper's two kinds of log lines: plain lines on standard output, and the system log under
// the helper's bundle identifier with the category "HelperTOOL" (info messages only).
#include <functional>
#include <string>
#include <string_view>

namespace morvex::helper {

inline constexpr std::string_view kLogCategory = "HelperTOOL";

// A line on standard output.
void print(std::string_view line);

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
