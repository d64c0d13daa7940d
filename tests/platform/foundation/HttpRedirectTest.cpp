#include <gtest/gtest.h>

#include "foundation/HttpRedirect.h"

namespace morvex::http {
namespace {

Exchange::Message hop(const char* url, Method method = Method::GET, std::optional<std::string> body = std::nullopt) {
    Exchange::Message m;
    m.url = QUrl(QString::fromUtf8(url));
    m.method = method;
    m.headers = Headers{{"Authorization", "Bearer secret"}, {"Accept", "application/json"},
                        {"Content-Type", "application/json"}, {"User-Agent", "MorvexVPN"}};
    m.body = std::move(body);
    return m;
}

TEST(HttpRedirectTest, RefusedRedirectsSayWhyWithTheirURLErrorCode) {
    const struct {
        const char* what;
        Exchange::Message from;
        int status;
        const char* location;
        int number;
        CrossOriginRedirects crossOrigin;
        int code;
    } cases[] = {
        {"past the limit", hop("https://a.test/x"), 302, "/y", kMaximumRedirects + 1, CrossOriginRedirects::followWithoutCredentials,
         URLError::httpTooManyRedirects},
        {"https to http", hop("https://a.test/x"), 302, "http://a.test/y", 1, CrossOriginRedirects::followWithoutCredentials,
         URLError::httpTooManyRedirects},
        {"another scheme", hop("https://a.test/x"), 302, "ftp://a.test/y", 1, CrossOriginRedirects::followWithoutCredentials,
         URLError::unsupportedURL},
        {"another origin, refused", hop("https://a.test/x"), 307, "https://b.test/y", 1, CrossOriginRedirects::refuse,
         URLError::httpTooManyRedirects},
        {"another port is another origin", hop("https://a.test/x"), 307, "https://a.test:8443/y", 1, CrossOriginRedirects::refuse,
         URLError::httpTooManyRedirects},
        {"another origin with a body", hop("https://a.test/x", Method::PUT, "{}"), 307, "https://b.test/y", 1,
         CrossOriginRedirects::followWithoutCredentials, URLError::httpTooManyRedirects},
    };
    for (const auto& c : cases) {
        auto next = redirects::follow(c.from, c.status, c.location, c.number, c.crossOrigin);
        ASSERT_FALSE(next) << c.what;
        EXPECT_EQ(next.error().code, c.code) << c.what;
        EXPECT_EQ(next.error().domain, kURLErrorDomain) << c.what;
    }
}

TEST(HttpRedirectTest, FollowedRedirectsKeepOrDropTheMethodBodyAndHeadersAsTheRulesSay) {
    // Within the origin a 307 keeps everything.
    auto kept = redirects::follow(hop("https://a.test/x", Method::POST, "{}"), 307, "/y?q=1", 1, CrossOriginRedirects::refuse);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->url, QUrl("https://a.test/y?q=1"));
    EXPECT_EQ(kept->method, Method::POST);
    EXPECT_EQ(kept->body, "{}");
    EXPECT_EQ(kept->headers.value("Authorization"), "Bearer secret");

    // 303, and 301/302 after a POST, become a GET without body or content type; HEAD stays HEAD.
    for (auto [status, method, expected] : {std::tuple{303, Method::PUT, Method::GET}, std::tuple{301, Method::POST, Method::GET},
                                           std::tuple{302, Method::POST, Method::GET}, std::tuple{302, Method::PUT, Method::PUT},
                                           std::tuple{303, Method::HEAD, Method::HEAD}}) {
        auto next = redirects::follow(hop("https://a.test/x", method, "{}"), status, "/y", 1, CrossOriginRedirects::refuse);
        ASSERT_TRUE(next) << status;
        EXPECT_EQ(next->method, expected) << status;
        EXPECT_EQ(next->body.has_value(), expected != Method::GET) << status;
        EXPECT_EQ(next->headers.contains("Content-Type"), expected != Method::GET) << status;
    }

    // To another origin only the harmless fields go along.
    auto away = redirects::follow(hop("https://a.test/x"), 302, "https://cdn.test/file", kMaximumRedirects,
                                  CrossOriginRedirects::followWithoutCredentials);
    ASSERT_TRUE(away);
    EXPECT_EQ(away->url, QUrl("https://cdn.test/file"));
    EXPECT_FALSE(away->headers.contains("Authorization"));
    EXPECT_FALSE(away->headers.contains("Content-Type"));
    EXPECT_EQ(away->headers.value("Accept"), "application/json");
    EXPECT_EQ(away->headers.value("User-Agent"), "MorvexVPN");

    EXPECT_TRUE(redirects::isRedirect(308));
    EXPECT_FALSE(redirects::isRedirect(304));
}

}  // namespace
}  // namespace morvex::http
