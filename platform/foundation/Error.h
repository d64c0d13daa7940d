#pragma once
// Error values as the application passes them around: a domain, a numeric code, a readable
// message, optionally the error that caused it, and further entries for whoever shows the error.
#include <expected>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace morvex {

// Entries of `Error::userInfo` read by the alert that shows an error: a text, a list of button
// titles, and a list whose first text is a web address the first button opens. The NS… names are
// the interface names callers use; their values are the keys stored in the entries.
inline constexpr std::string_view NSLocalizedRecoverySuggestionErrorKey = "NSLocalizedRecoverySuggestion";
inline constexpr std::string_view NSLocalizedRecoveryOptionsErrorKey = "NSLocalizedRecoveryOptions";
inline constexpr std::string_view NSRecoveryAttempterErrorKey = "NSRecoveryAttempter";

struct Error {
    std::string domain;
    int code = 0;
    std::string message;
    std::shared_ptr<const Error> underlying;
    Dictionary userInfo;  // not compared

    Error() = default;
    Error(std::string domain, int code, std::string message = {},
          std::shared_ptr<const Error> underlying = nullptr)
        : domain(std::move(domain)), code(code), message(std::move(message)),
          underlying(std::move(underlying)) {}

    // The readable text; falls back to "<domain> error <code>".
    std::string localizedDescription() const;

    friend bool operator==(const Error& a, const Error& b) {
        return a.domain == b.domain && a.code == b.code && a.message == b.message;
    }
};

template <class T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(Error e) { return std::unexpected<Error>(std::move(e)); }

}  // namespace morvex
