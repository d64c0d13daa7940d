#pragma once
// A sign-in service for API tests: holds an access token and counts what it is asked to do.
#include <string>
#include <vector>

#include "api/AuthProtocol.h"
#include "foundation/Value.h"

namespace morvex::test {

class FakeAuth : public AuthProtocol {
public:
    explicit FakeAuth(std::string token = {}) : token(std::move(token)) {}

    std::string token;
    int forgotten = 0;
    int authorizations = 0;

    OAuth2CodeGrant& oauth() override { return client; }
    void forgetTokens() override {
        ++forgotten;
        token.clear();
    }
    void authorize(std::function<void(Result<bool>)> completion) override {
        ++authorizations;
        completion(true);
    }
    std::string accessToken() const override { return token; }
    std::string refreshToken() const override { return refresh; }
    std::optional<Date> refreshTokenExpiry() const override { return expiry; }
    void saveTokens(const AuthObject& tokens) override {
        saved.push_back(tokens);
        token = tokens.accessToken.value_or("");
        refresh = tokens.refreshToken.value_or("");
    }
    void signOut() override { ++signOuts; }

    std::string refresh = "refresh-1";
    std::optional<Date> expiry = Date{Date::now().secondsSince1970 + 3600};
    std::vector<AuthObject> saved;
    int signOuts = 0;

private:
    OAuth2CodeGrant client{Dictionary{}};
};

}  // namespace morvex::test
