#pragma once
// Error values as the application passes them around: a domain, a numeric code, a readable
// message and, optionally, the error that caused it.
#include <expected>
#include <memory>
#include <string>

namespace morvex {

struct Error {
    std::string domain;
    int code = 0;
    std::string message;
    std::shared_ptr<const Error> underlying;

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
