#include "model/AuthObject.h"

#include "model/FieldTable.h"

namespace morvex {

namespace {
constexpr auto kAuthObjectFields = coding::fieldTable(
    coding::optional("oem-at", &AuthObject::accessToken),
    coding::optional("oem-rt", &AuthObject::refreshToken),
    coding::optional("oem-type", &AuthObject::tokenType),
    coding::optional("oem-ate", &AuthObject::accessTokenExpiry),
    coding::optional("oem-rte", &AuthObject::refreshTokenExpiry),
    coding::optional("customer_id", &AuthObject::customerId));
}  // namespace

void from_json(const nlohmann::json& j, AuthObject& a) { kAuthObjectFields.decode(j, a, "the token set"); }
void to_json(nlohmann::json& j, const AuthObject& a) { kAuthObjectFields.encode(j, a); }
void to_json(nlohmann::ordered_json& j, const AuthObject& a) { kAuthObjectFields.encode(j, a); }

}  // namespace morvex
