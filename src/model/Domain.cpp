#include "model/Domain.h"

#include "model/JsonCoding.h"
#include "model/ServiceHosts.h"

namespace morvex {

namespace {

std::string removeAll(std::string text, std::string_view part) {
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos)) text.erase(pos, part.size());
    return text;
}

std::string bareHost(std::string text) { return removeAll(removeAll(std::move(text), "/"), "https:"); }

template <class Json>
void encode(Json& j, const Domain& d) {
    j = Json::object();
    j["authTokenUrl"] = d.authTokenUrl;
    j["servicesUrl"] = d.servicesUrl;
}

}  // namespace

Domain Domain::builtIn() { return Domain{hosts::authority(ServiceHost::SignIn), hosts::authority(ServiceHost::API)}; }

void from_json(const nlohmann::json& j, Domain& d) {
    d.authTokenUrl = bareHost(coding::requiredString(j, "authTokenUrl"));
    d.servicesUrl = bareHost(coding::requiredString(j, "servicesUrl"));
}

void to_json(nlohmann::json& j, const Domain& d) { encode(j, d); }
void to_json(nlohmann::ordered_json& j, const Domain& d) { encode(j, d); }

}  // namespace morvex
