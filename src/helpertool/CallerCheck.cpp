#include "CallerCheck.h"

#include <unistd.h>

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
    return {[] { return procCode("/proc/self/exe"); },
            [](pid_t pid) { return procCode("/proc/" + std::to_string(pid) + "/exe"); }};
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

Result<std::vector<std::string>> CallerCheck::codeSigningCertificates(const StaticCode& code) const {
    print("@CODESIGN codeSigningCertificates(forStaticCode ");
    print("@CODESIGN secCodeInfo(forStaticCode ");
    print("@CODESIGN isValid secStaticCode");
    print("@CODESIGN executeSecFunction");
    auto info = checkSignature(code.code, code.signature);
    if (!info) return fail(checkError(info.error().localizedDescription()));
    print("@CODESIGN executeSecFunction");  // the signing information
    return info->certificates;
}

bool CallerCheck::isValid(pid_t pid) const {
    auto answer = [&]() -> Result<bool> {
        auto self = secStaticCodeSelf();
        if (!self) return fail(self.error());
        auto own = codeSigningCertificates(*self);
        if (!own) return fail(own.error());
        auto guest = secStaticCode(pid);
        if (!guest) return fail(guest.error());
        auto theirs = codeSigningCertificates(*guest);
        if (!theirs) return fail(theirs.error());
        return *own == *theirs;
    }();
    if (answer) return *answer;
    SystemLog::info("@Helper Code signing check failed with error");
    print("Code signing check failed with error");
    log::nslog("Code signing check failed with error: " + answer.error().localizedDescription());
    return false;
}

}  // namespace morvex::helper
