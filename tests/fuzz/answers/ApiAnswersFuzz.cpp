// Fuzz target of the decoding of the back end's answers (the gateway's envelope, the bare
// envelopes, the profile, the token set): whatever the bytes, decoding answers a result and never
// throws, crashes or overflows the stack, and an answer it reads is read back the same once written.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "api/ApiResponse.h"
#include "api/Decoding.h"
#include "api/Envelopes.h"
#include "model/AuthObject.h"
#include "model/ProfileResponseModel.h"

using namespace morvex;

namespace {

// Reads T, writes what was read, and reads that again: both readings must agree.
template <class T> void readWriteRead(std::string_view bytes) {
    const auto first = decode<T>(bytes);
    if (!first) return;
    const nlohmann::json written = *first;
    const auto again = decode<T>(written.dump());
    if (!again || !(*again == *first)) std::abort();
}

void envelope(std::string_view bytes) {
    const auto answer = decode<ApiResponse<HttpResponseModel<ProfileResponseModel>>>(bytes);
    if (!answer || !answer->body) return;
    const nlohmann::json written = answer->body->body;
    const auto again = decode<ProfileResponseModel>(written.dump());
    if (!again || !(*again == answer->body->body)) std::abort();
}

void bareBody(std::string_view bytes) {
    const auto answer = decode<HttpResponseModel<ProfileResponseModel>>(bytes);
    if (!answer) return;
    const nlohmann::json written = *answer;
    const auto again = decode<HttpResponseModel<ProfileResponseModel>>(written.dump());
    if (!again || !(again->body == answer->body)) std::abort();
}

void tokens(std::string_view bytes) {
    const auto answer = decode<TokenResponse>(bytes);
    if (!answer) return;
    const nlohmann::json written = *answer;
    const auto again = decode<TokenResponse>(written.dump());
    if (!again || !(again->header == answer->header) || again->body.code != answer->body.code) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    envelope(bytes);
    bareBody(bytes);
    tokens(bytes);
    readWriteRead<ProfileResponseModel>(bytes);
    readWriteRead<AuthObject>(bytes);
    readWriteRead<ResponseMessage>(bytes);
    return 0;
}
