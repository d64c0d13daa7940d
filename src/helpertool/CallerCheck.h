#pragma once
// Who may talk to the helper: a caller whose program is signed by the same key as the helper
// itself. The caller is known by the kernel's peer credentials (its process id); its program is
// read through /proc/<pid>/exe, so a file replaced on disk after the start does not count.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Error.h"

namespace morvex::helper {

// A program on disk and where its detached signature lies.
struct StaticCode {
    std::filesystem::path code;
    std::filesystem::path signature;
};

class CallerCheck {
public:
    // Where programs are found; tests replace it to point at files of their own.
    struct Locator {
        std::function<std::optional<StaticCode>()> self;
        std::function<std::optional<StaticCode>(pid_t)> guest;
    };
    static Locator procLocator();

    explicit CallerCheck(Locator locator = procLocator()) : locator_(std::move(locator)) {}

    // True when the caller's signers equal the helper's own; logs and answers false on any error.
    bool isValid(pid_t pid) const;

    Result<StaticCode> secStaticCodeSelf() const;
    Result<StaticCode> secStaticCode(pid_t pid) const;
    Result<std::vector<std::string>> codeSigningCertificates(const StaticCode& code) const;

private:
    Locator locator_;
};

}  // namespace morvex::helper
