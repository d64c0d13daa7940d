#include "vpn/CheckUpdateVersionModel.h"

#include "model/JsonCoding.h"

namespace morvex {

void from_json(const nlohmann::json& j, CheckUpdateVersionModel& m) {
    coding::requireObject(j, "CheckUpdateVersionModel");
    m.device = coding::requiredString(j, "device");
    m.version = coding::requiredString(j, "version");
    m.release_note_url = coding::requiredString(j, "release_note_url");
    m.download_url = coding::optionalString(j, "download_url");
}

template <class Json>
static void write(Json& j, const CheckUpdateVersionModel& m) {
    j = Json::object();
    j["device"] = m.device;
    j["version"] = m.version;
    j["release_note_url"] = m.release_note_url;
    if (m.download_url) j["download_url"] = *m.download_url;
}

void to_json(nlohmann::json& j, const CheckUpdateVersionModel& m) { write(j, m); }
void to_json(nlohmann::ordered_json& j, const CheckUpdateVersionModel& m) { write(j, m); }

}  // namespace morvex
