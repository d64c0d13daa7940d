#pragma once
// Stand-ins for the sign-in window's own process, and what a test asks about processes.
#include <QTemporaryDir>
#include <cstdint>
#include <string>
#include <vector>

namespace morvex::test {

// While it lives, sign-in sessions start this shell script instead of the bundle's sign-in
// program. The script first reads the sign-in from its input and ends with status 9 when it was
// given arguments, or when `expectedRequest` is set and the first line is not that; then it runs
// `body` (shell text: printf what the window would answer, kill itself, wait with cat…).
class SignInWindowStandIn {
public:
    explicit SignInWindowStandIn(const std::string& body, const std::string& expectedRequest = {});
    ~SignInWindowStandIn();
    SignInWindowStandIn(const SignInWindowStandIn&) = delete;
    SignInWindowStandIn& operator=(const SignInWindowStandIn&) = delete;

private:
    QTemporaryDir dir_;
};

// Gone, or a zombie nobody has reaped yet: it holds no memory either way.
bool processEnded(std::int64_t pid);
// `pid` and every process below it, at any depth.
std::vector<std::int64_t> processTree(std::int64_t pid);

}  // namespace morvex::test
