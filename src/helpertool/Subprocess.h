#pragma once
// Runs a child program to its end. Standard input is fed and standard output and error are read
// while the child runs, so a child that writes more than a pipe holds never stalls.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::helper {

struct ProcessResult {
    // The exit status; 128 + the signal for a child killed by a signal; 127 when it could not start.
    int status = 127;
    std::string output;
    std::string error;
};

struct ProcessOptions {
    std::string input;               // written to the child's standard input, which is then closed
    bool captureOutput = true;       // false: the child writes to the helper's own output and error
    // Called with each piece of standard output as it arrives (captured output only).
    std::function<void(std::string_view)> onOutput;
};

ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

}  // namespace morvex::helper
