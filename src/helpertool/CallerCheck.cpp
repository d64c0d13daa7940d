#include "CallerCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include "CallerProcess.h"
#include "CodeSignature.h"
#include "HelperLog.h"
#include "foundation/Log.h"

namespace morvex::helper {

namespace {

Error checkError(std::string message) { return Error("CodesignCheckError", 1, std::move(message)); }

std::optional<StaticCode> procCode(const std::string& link) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(link, ec);
    if (ec || target.empty()) return std::nullopt;
    // The bytes come through the link (the program the process really runs); the signature
    // lies beside the file the program was started from.
    return StaticCode{link, target.string() + std::string(kSignatureSuffix)};
}

}  // namespace

// The running program of a bound process: the file its exe names, opened through the process's
// own /proc directory (never by a path an attacker could swap), and where its signature lies.
std::optional<StaticCode> boundCode(const BoundProcess& caller) {
    char target[4096];
    const ssize_t n = ::readlinkat(caller.procDir(), "exe", target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return std::nullopt;
    const int fd = ::openat(caller.procDir(), "exe", O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    const std::string program(target, static_cast<std::size_t>(n));
    return StaticCode{program, program + std::string(kSignatureSuffix),
                      std::shared_ptr<const int>(new int(fd), [](const int* f) {
                          ::close(*f);
                          delete f;
                      })};
}

CallerCheck::Locator CallerCheck::procLocator() {
    Locator locator{[] { return procCode("/proc/self/exe"); }, nullptr, nullptr, systemLibraryFolders(), true};
    // The helper's bundle: the folder above the one its program lies in.
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && self.has_parent_path()) locator.trustedFolders.push_back(self.parent_path().parent_path());
    return locator;
}

Result<StaticCode> CallerCheck::secStaticCodeSelf() const {
    print("@CODESIGN secStaticCodeSelf");
    print("@CODESIGN executeSecFunction");
    auto code = locator_.self ? locator_.self() : std::nullopt;
    if (!code) return fail(checkError("SecCode returned empty from SecCodeCopySelf"));
    print("@CODESIGN executeSecFunction");  // its static code
    return *code;
}

Result<StaticCode> CallerCheck::secStaticCode(pid_t pid, const BoundProcess* caller) const {
    print("@CODESIGN secStaticCode forPID");
    print("@CODESIGN executeSecFunction");
    std::optional<StaticCode> code;
    if (locator_.throughProcess) code = caller ? boundCode(*caller) : std::nullopt;
    else if (locator_.guest && pid > 0) code = locator_.guest(pid);
    if (!code) return fail(checkError("SecCode returned empty from SecCodeCopyGuestWithAttributes"));
    print("@CODESIGN executeSecFunction");  // its static code
    return *code;
}

Result<std::vector<std::string>> CallerCheck::codeSigningCertificates(const StaticCode& code,
                                                                      Deadline deadline) const {
    print("@CODESIGN codeSigningCertificates(forStaticCode ");
    print("@CODESIGN secCodeInfo(forStaticCode ");
    print("@CODESIGN isValid secStaticCode");
    print("@CODESIGN executeSecFunction");
    auto info = verdicts_->check(code.code, code.signature, deadline, code.opened ? *code.opened : -1);
    if (!info) return fail(checkError(info.error().localizedDescription()));
    print("@CODESIGN executeSecFunction");  // the signing information
    return info->certificates;
}

std::optional<std::string> CallerCheck::processProblem(pid_t pid, const BoundProcess* caller) const {
    if (locator_.throughProcess) {
        if (!caller) return "the caller's process cannot be found";
        auto problem = callerProcessProblem(caller->procDir(), locator_.trustedFolders);
        // Whatever was read came from the caller only if it is still there.
        if (!problem && !caller->alive()) problem = "the caller's process has ended";
        return problem;
    }
    if (!locator_.process) return std::nullopt;
    const auto dir = pid > 0 ? locator_.process(pid) : std::nullopt;
    if (!dir) return "the caller's process cannot be found";
    return callerProcessProblem(*dir, locator_.trustedFolders);
}

bool CallerCheck::isValid(const BoundProcess& caller) const { return check(caller.pid(), &caller); }

bool CallerCheck::isValid(pid_t pid) const {
    if (!locator_.throughProcess) return check(pid, nullptr);
    auto bound = BoundProcess::ofPid(pid);
    if (!bound) {
        print("Caller refused: " + bound.error().message);
        return false;
    }
    return check(pid, &*bound);
}

bool CallerCheck::check(pid_t pid, const BoundProcess* caller) const {
    const Deadline deadline = std::chrono::steady_clock::now() + deadline_;
    auto answer = [&]() -> Result<bool> {
        auto self = secStaticCodeSelf();
        if (!self) return fail(self.error());
        auto own = codeSigningCertificates(*self, deadline);
        if (!own) return fail(own.error());
        auto guest = secStaticCode(pid, caller);
        if (!guest) return fail(guest.error());
        auto theirs = codeSigningCertificates(*guest, deadline);
        if (!theirs) return fail(theirs.error());
        if (*own != *theirs) return false;
        // Looked at last, so that whatever the process had loaded by the time its program was
        // judged is seen.
        if (auto problem = processProblem(pid, caller)) return fail(Error("CallerProcessError", 1, *problem));
        return true;
    }();
    if (answer) return *answer;
    if (answer.error().domain == "CallerProcessError") {
        SystemLog::info("@Helper caller refused: " + answer.error().message);
        print("Caller refused: " + answer.error().message);
        return false;
    }
    SystemLog::info("@Helper Code signing check failed with error");
    print("Code signing check failed with error");
    logError("Code signing check failed with error: " + answer.error().localizedDescription());
    return false;
}

}  // namespace morvex::helper
