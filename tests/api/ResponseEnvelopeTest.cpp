#include <gtest/gtest.h>

#include "api/ApiResponse.h"
#include "api/Envelopes.h"
#include "api/Networking.h"

namespace morvex {
namespace {

// An answer type that needs a key, and one whose keys are all optional.
struct NeedsName {
    static constexpr bool emptyObjectRepresentable = true;
    std::string name;
};
void from_json(const nlohmann::json& j, NeedsName& v) { v.name = coding::requiredString(j, "name"); }

struct AllOptional {
    static constexpr bool emptyObjectRepresentable = true;
    std::optional<std::string> note;
};
void from_json(const nlohmann::json& j, AllOptional& v) { v.note = coding::optionalString(j, "note"); }

TEST(ErrorTextTest, CodesPickTheirTexts) {
    EXPECT_EQ(Networking::errorMessage(500), "Something went wrong. Please try again later or contact support. (500)");
    EXPECT_EQ(Networking::errorMessage(-1009), "The Internet connection appears to be offline. (-1009)");
    EXPECT_EQ(Networking::errorMessage(-1001), "We were unable to complete your request. Please try again. (-1001)");
    EXPECT_EQ(Networking::errorMessage(-1), "Something went wrong. Please try again later or contact support. (-1)");
}

TEST(ErrorTextTest, WrappingUnwrapsSessionErrorsToTheirInnermostCause) {
    auto offline = http::sessionTaskFailed(http::urlError(http::URLError::notConnectedToInternet));
    http::DataResponse failed;
    failed.error = offline;
    Error wrapped = Networking::handleFailedResponse(failed);
    EXPECT_EQ(wrapped.domain, "MorvexVPNError");
    EXPECT_EQ(wrapped.code, -1009);
    EXPECT_EQ(wrapped.localizedDescription(), "The Internet connection appears to be offline. (-1009)");
    ASSERT_TRUE(wrapped.underlying);
    EXPECT_EQ(wrapped.underlying->domain, http::kURLErrorDomain);

    // Nested session errors unwrap all the way; other errors stay as they are.
    Error nested(std::string(http::kSessionErrorDomain), 0, "outer", std::make_shared<const Error>(offline));
    EXPECT_EQ(Networking::underlyingError(nested).code, -1009);
    Error own("MorvexVPNError", 1046, "Service says no", std::make_shared<const Error>(offline));
    EXPECT_EQ(Networking::underlyingError(own).code, 1046);

    auto decoding = decode<NeedsName>("{}");
    ASSERT_FALSE(decoding);
    Error wrappedDecoding = Networking::wrapRequestError(decoding.error(), "https://x/y");
    EXPECT_EQ(wrappedDecoding.code, DecodingErrorCode::wrongShape);
    EXPECT_EQ(wrappedDecoding.message, Networking::errorMessage(DecodingErrorCode::wrongShape));
}

TEST(ApiResponseTest, BodyIsAbsentWhenMissingOrAnUnreadableEmptyObject) {
    auto emptyNeeds = decode<ApiResponse<NeedsName>>(R"({"header":{"response_code":200,"message":"OK"},"body":{}})");
    ASSERT_TRUE(emptyNeeds);
    EXPECT_FALSE(emptyNeeds->body);
    auto emptyOptional = decode<ApiResponse<AllOptional>>(R"({"header":{"response_code":200,"message":"OK"},"body":{}})");
    ASSERT_TRUE(emptyOptional);
    EXPECT_TRUE(emptyOptional->body);
    auto missing = decode<ApiResponse<NeedsName>>(R"({"header":{"response_code":200,"message":"OK"}})");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->body);
    EXPECT_EQ(missing->header.message, "OK");
    auto full = decode<ApiResponse<NeedsName>>(R"({"header":{"response_code":7,"message":"m"},"body":{"name":"n"}})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->header.responseCode, 7);
    EXPECT_EQ(full->body->name, "n");
}

TEST(ApiResponseTest, MalformedEnvelopesFail) {
    const char* cases[] = {
        R"({"header":{"response_code":200}})",
        R"({"header":{"response_code":"200","message":"OK"}})",
        R"({"body":{"name":"n"}})",
        R"({"header":{"response_code":200,"message":"OK"},"body":[]})",
        R"({"header":{"response_code":200,"message":"OK"},"body":null})",
        R"({"header":{"response_code":200,"message":"OK"},"body":{"name":5}})",
        R"(not json)",
        "",
    };
    for (const char* c : cases) {
        auto r = decode<ApiResponse<NeedsName>>(c);
        ASSERT_FALSE(r) << c;
        EXPECT_EQ(r.error().domain, kDecodingErrorDomain) << c;
    }
    EXPECT_EQ(decode<ApiResponse<NeedsName>>("not json").error().code, DecodingErrorCode::notJSON);
}

TEST(EnvelopesTest, TokenAndSupportAnswersDecodeByTheirRules) {
    auto token = decode<TokenResponse>(R"({"header":{"response_code":200,"message":"OK"},"body":{}})");
    ASSERT_TRUE(token);
    EXPECT_FALSE(token->body.code);
    auto withCode = decode<TokenResponse>(R"({"header":{"response_code":200,"message":"OK"},"body":{"code":"abc"}})");
    ASSERT_TRUE(withCode);
    EXPECT_EQ(withCode->body.code, "abc");
    EXPECT_FALSE(decode<TokenResponse>(R"({"header":{"response_code":"200","message":"OK"},"body":{}})"));
    EXPECT_FALSE(decode<TokenResponse>(R"({"header":{"response_code":200,"message":"OK"}})"));

    auto support = decode<SupportAPIResponseModel>(R"({"result":"ok"})");
    ASSERT_TRUE(support);
    EXPECT_EQ(support->result, "ok");
    EXPECT_FALSE(support->id);
    EXPECT_FALSE(decode<SupportAPIResponseModel>(R"({"id":"12"})"));
    EXPECT_EQ(nlohmann::json(*support).dump(), R"({"result":"ok"})");

    EXPECT_FALSE(decode<HttpResponseModel<AllOptional>>("{}"));
    auto generic = decode<HttpResponseModel<GenericReponseWithHeader>>(
        R"({"body":{"header":{"response_code":200,"message":"done"}}})");
    ASSERT_TRUE(generic);
    EXPECT_EQ(generic->body.header.message, "done");
}

}  // namespace
}  // namespace morvex

namespace morvex {
namespace {

TEST(EnvelopesTest, EncodeTheirKeysInTheirRecordsOrder) {
    nlohmann::ordered_json token = TokenResponse{{200, "OK"}, AuthToken{"sealed"}};
    EXPECT_EQ(token.dump(), R"({"header":{"response_code":200,"message":"OK"},"body":{"code":"sealed"}})");
    nlohmann::ordered_json support = SupportAPIResponseModel{"ok", 7, "T-7", "x"};
    EXPECT_EQ(support.dump(), R"({"result":"ok","id":7,"tid":"T-7","c":"x"})");
    nlohmann::ordered_json kill = HttpResponseModel<GenericReponseWithHeader>{{{200, "Session killed"}}};
    EXPECT_EQ(kill.dump(), R"({"body":{"header":{"response_code":200,"message":"Session killed"}}})");
}

}  // namespace
}  // namespace morvex
