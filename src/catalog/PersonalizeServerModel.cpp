#include "catalog/PersonalizeServerModel.h"

#include <algorithm>

namespace morvex {

PersonalizeServerModel::PersonalizeServerModel() : PersonalizeServerModel(PreservedPreferences(), AppPreferences()) {}

PersonalizeServerModel::PersonalizeServerModel(PreservedPreferences preserved, AppPreferences app)
    : preservedPreference(std::move(preserved)), appPreference(std::move(app)) {}

void PersonalizeServerModel::recordFeedback(const std::string& identifier, bool liked) {
    if (!preservedPreference.enablePersonaliseServer()) return;
    const auto last = appPreference.lastConnection();
    if (!last || !last->server) return;
    if (identifier.empty()) return;
    const std::string& code = last->server->code;

    Ratings ratings = preservedPreference.personalizeServer().value_or(Ratings{});
    auto& list = ratings[code];
    std::erase_if(list, [&](const PersonalizeServer& e) { return e.identifier == identifier; });
    list.emplace_back(identifier, liked);
    preservedPreference.setPersonalizeServer(ratings);
}

bool PersonalizeServerModel::isLastServerLiked() const {
    const auto last = appPreference.lastConnection();
    if (!last || !last->server) return false;
    const auto ratings = preservedPreference.personalizeServer();
    if (!ratings) return false;
    auto it = ratings->find(last->server->code);
    if (it == ratings->end() || it->second.empty()) return false;
    return it->second.front().liked;
}

}  // namespace morvex
