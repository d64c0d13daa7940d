#pragma once
// Which users may ask the helper at all: root, and the user of the active local session — the one
// sitting at the machine. A signed program proves nothing about who runs it (any user can start
// the application, and a process of a user can always be made to act for that user), so this is
// the gate that decides; the program check only narrows what talks to the helper.
//
// The login manager (logind) is asked over the system bus, or over the bus at `busAddress` (tests
// run a login manager of their own there). Without an answer nobody but root is served.
#include <sys/types.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct sd_bus;

namespace morvex::helper {

class LoginSessions {
public:
    explicit LoginSessions(std::string busAddress = {});
    ~LoginSessions();
    LoginSessions(const LoginSessions&) = delete;
    LoginSessions& operator=(const LoginSessions&) = delete;

    // Why `uid` may not ask, or nothing when it may.
    std::optional<std::string> refusal(uid_t uid);

private:
    sd_bus* connect(std::string& why);
    std::optional<std::string> ask(sd_bus* bus, uid_t uid, bool& busFailed);

    const std::string busAddress_;
    std::mutex mutex_;  // one question at a time on the one connection
    sd_bus* bus_ = nullptr;
};

}  // namespace morvex::helper
