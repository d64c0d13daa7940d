#pragma once
// Console logging. `print` writes one line to standard output (the application's plain console
// lines); `nslog` writes a time-stamped line to standard error. Tests can capture every line.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::log {

void print(std::string_view line);
void nslog(std::string_view line);

// Collects every line printed while it lives (both kinds), in order. Thread-safe.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(std::string_view line) const;        // an exact line
    bool containsText(std::string_view text) const;    // a line containing text
    std::size_t count(std::string_view line) const;

    struct State;

private:
    State* state_;
};

}  // namespace morvex::log
