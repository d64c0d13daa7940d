#pragma once
// What the console may say of an answer body or of a request's data. By default only its size:
// bodies hold tokens, codes, passwords and e-mail addresses. With the environment variable
// MORVEX_LOG_BODIES set to 1 the body is shown as JSON with every secret field masked (see
// maskedJSON); a body that is not JSON is still only counted.
#include <optional>
#include <string>
#include <string_view>

namespace morvex::log {

bool bodiesShown();
std::string describeBody(std::string_view body);
// The JSON text with the value of every field whose name speaks of a secret or of the person
// (token, code, pass, secret, key, verifier, cookie, session, mail, user, name, phone, uuid, auth,
// state; but not "response_code") replaced by "<masked>", and any other text holding an "@" too,
// at any depth. Nothing when the text is not JSON.
std::optional<std::string> maskedJSON(std::string_view text);

}  // namespace morvex::log
