#pragma once
// Which programs may talk to the helper: a caller whose program is signed by the same key as the
// helper itself, and whose running process shows nothing brought in from outside (see
// CallerProcess.h). The caller is held by its pidfd (BoundProcess); its program is the file behind
// its /proc directory's exe, opened once and hashed from that descriptor, so neither a file
// replaced on disk after the start nor a process that has taken over the number counts. Which
// user asks is decided apart from this (LoginSessions.h).
//
// Verdicts on program files are remembered (SignatureVerdicts), so a program is hashed once and
// not at every connection; copies of a CallerCheck share them. Every check ends by its deadline.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CodeSignature.h"
#include "foundation/Error.h"

namespace morvex::helper {

// A program on disk and where its detached signature lies.
struct StaticCode {
    std::filesystem::path code;
    std::filesystem::path signature;
    // The program already opened (the running process's own file); read instead of `code`.
    std::shared_ptr<const int> opened;
};

class BoundProcess;

class CallerCheck {
public:
    // Where programs and processes are found; tests replace it to point at files of their own.
    struct Locator {
        std::function<std::optional<StaticCode>()> self;
        std::function<std::optional<StaticCode>(pid_t)> guest;
        // The caller's /proc directory; no function: the running process is not looked at.
        std::function<std::optional<std::filesystem::path>(pid_t)> process;
        // Folders executable files mapped into a caller may come from.
        std::vector<std::filesystem::path> trustedFolders;
        // The caller's program and process are read through its bound /proc directory (the real
        // processes); `guest` and `process` are then not used.
        bool throughProcess = false;
    };
    // The real processes: /proc, the system's library folders and the helper's own bundle.
    static Locator procLocator();

    static constexpr std::chrono::seconds kDefaultDeadline{5};

    explicit CallerCheck(Locator locator = procLocator(), std::chrono::milliseconds deadline = kDefaultDeadline)
        : locator_(std::move(locator)), deadline_(deadline), verdicts_(std::make_shared<SignatureVerdicts>()) {}

    // True when the caller's signers equal the helper's own and its process is clean; logs and
    // answers false on any error, and when the check takes longer than its deadline.
    bool isValid(const BoundProcess& caller) const;
    // The same for a process named by its number (bound first when the locator reads processes).
    bool isValid(pid_t pid) const;

    Result<StaticCode> secStaticCodeSelf() const;
    Result<StaticCode> secStaticCode(pid_t pid, const BoundProcess* caller = nullptr) const;
    Result<std::vector<std::string>> codeSigningCertificates(const StaticCode& code,
                                                             Deadline deadline = Deadline::max()) const;
    // Why the caller's running process may not be served, or nothing.
    std::optional<std::string> processProblem(pid_t pid, const BoundProcess* caller = nullptr) const;

private:
    bool check(pid_t pid, const BoundProcess* caller) const;
    Locator locator_;
    std::chrono::milliseconds deadline_;
    std::shared_ptr<SignatureVerdicts> verdicts_;
};

}  // namespace morvex::helper
