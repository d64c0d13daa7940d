#include "model/AuthObject.h"

#include "model/JsonCoding.h"

namespace morvex {

void from_json(const nlohmann::json& j, AuthObject& a) {
    coding::requireObject(j, "the token set");
    a.accessToken = coding::optionalString(j, "oem-at");
    a.refreshToken = coding::optionalString(j, "oem-rt");
    a.tokenType = coding::optionalString(j, "oem-type");
    a.accessTokenExpiry = coding::optionalInteger(j, "oem-ate");
    a.refreshTokenExpiry = coding::optionalInteger(j, "oem-rte");
    a.customerId = coding::optionalString(j, "customer_id");
}

namespace {
template <class Json>
void encode(Json& j, const AuthObject& a) {
    j = Json::object();
    if (a.accessToken) j["oem-at"] = *a.accessToken;
    if (a.refreshToken) j["oem-rt"] = *a.refreshToken;
    if (a.tokenType) j["oem-type"] = *a.tokenType;
    if (a.accessTokenExpiry) j["oem-ate"] = *a.accessTokenExpiry;
    if (a.refreshTokenExpiry) j["oem-rte"] = *a.refreshTokenExpiry;
    if (a.customerId) j["customer_id"] = *a.customerId;
}
}  // namespace

void to_json(nlohmann::json& j, const AuthObject& a) { encode(j, a); }
void to_json(nlohmann::ordered_json& j, const AuthObject& a) { encode(j, a); }

}  // namespace morvex
