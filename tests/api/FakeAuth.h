#pragma once
// A sign-in service for API tests: holds an access token and counts what it is asked to do.
#include <string>

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

private:
    OAuth2CodeGrant client{Dictionary{}};
};

}  // namespace morvex::test
