#pragma once
// The session's redirect policy. Redirects (301, 302, 303, 307, 308) are followed at most
// `kMaximumRedirects` times: within the request's origin as they come; never from https to http;
// to another origin (scheme, host or port) only when the request allows it, and then with no header
// but Accept, Accept-Language and User-Agent and never with a body. 303 always, and 301/302 after a
// POST, turn into a GET without a body.
#include <expected>
#include <string_view>

#include "foundation/Error.h"
#include "foundation/HttpExchange.h"
#include "foundation/HttpTypes.h"

namespace morvex::http::redirects {

bool isRedirect(int status);

// The hop to send for the redirect answer `status` with `location` to `from`, the `number`th of its
// exchange (counting from 1), or the URL error that refuses it.
std::expected<Exchange::Message, Error> follow(const Exchange::Message& from, int status, std::string_view location,
                                               int number, CrossOriginRedirects crossOrigin);

}  // namespace morvex::http::redirects
