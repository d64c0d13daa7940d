#include "model/Domain.h"

#include "model/FieldTable.h"
#include "model/ServiceHosts.h"

namespace morvex {

namespace {

std::string removeAll(std::string text, std::string_view part) {
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos)) text.erase(pos, part.size());
    return text;
}

std::string bareHost(std::string text) { return removeAll(removeAll(std::move(text), "/"), "https:"); }

constexpr auto kDomainFields = coding::fieldTable(coding::required("authTokenUrl", &Domain::authTokenUrl),
                                                  coding::required("servicesUrl", &Domain::servicesUrl));

}  // namespace

Domain Domain::builtIn() { return Domain{hosts::authority(ServiceHost::SignIn), hosts::authority(ServiceHost::API)}; }

void from_json(const nlohmann::json& j, Domain& d) {
    kDomainFields.decode(j, d);
    d.authTokenUrl = bareHost(std::move(d.authTokenUrl));
    d.servicesUrl = bareHost(std::move(d.servicesUrl));
}

void to_json(nlohmann::json& j, const Domain& d) { kDomainFields.encode(j, d); }
void to_json(nlohmann::ordered_json& j, const Domain& d) { kDomainFields.encode(j, d); }

}  // namespace morvex
