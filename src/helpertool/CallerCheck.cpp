#include "CallerCheck.h"

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

CallerCheck::Locator CallerCheck::procLocator() {
    Locator locator{[] { return procCode("/proc/self/exe"); },
                    [](pid_t pid) { return procCode("/proc/" + std::to_string(pid) + "/exe"); },
                    [](pid_t pid) { return std::optional<std::filesystem::path>("/proc/" + std::to_string(pid)); },
                    systemLibraryFolders()};
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

Result<StaticCode> CallerCheck::secStaticCode(pid_t pid) const {
    print("@CODESIGN secStaticCode forPID");
    print("@CODESIGN executeSecFunction");
    auto code = (locator_.guest && pid > 0) ? locator_.guest(pid) : std::nullopt;
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
    auto info = verdicts_->check(code.code, code.signature, deadline);
    if (!info) return fail(checkError(info.error().localizedDescription()));
    print("@CODESIGN executeSecFunction");  // the signing information
    return info->certificates;
}

std::optional<std::string> CallerCheck::processProblem(pid_t pid) const {
    if (!locator_.process) return std::nullopt;
    const auto dir = pid > 0 ? locator_.process(pid) : std::nullopt;
    if (!dir) return "the caller's process cannot be found";
    return callerProcessProblem(*dir, locator_.trustedFolders);
}

bool CallerCheck::isValid(pid_t pid) const {
    const Deadline deadline = std::chrono::steady_clock::now() + deadline_;
    auto answer = [&]() -> Result<bool> {
        auto self = secStaticCodeSelf();
        if (!self) return fail(self.error());
        auto own = codeSigningCertificates(*self, deadline);
        if (!own) return fail(own.error());
        auto guest = secStaticCode(pid);
        if (!guest) return fail(guest.error());
        auto theirs = codeSigningCertificates(*guest, deadline);
        if (!theirs) return fail(theirs.error());
        if (*own != *theirs) return false;
        // Looked at last, so that whatever the process had loaded by the time its program was
        // judged is seen.
        if (auto problem = processProblem(pid)) return fail(Error("CallerProcessError", 1, *problem));
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
    log::nslog("Code signing check failed with error: " + answer.error().localizedDescription());
    return false;
}

}  // namespace morvex::helper
