#pragma once
// Liked and disliked servers: after a connection the user can rate the VPN server that served it;
// with personalised selection on, the rating is kept under the location code of the connection.
#include <string>

#include "model/PersonalizeServer.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class PersonalizeServerModel : public PersonalizeServerModelTypes {
public:
    // A new PreservedPreferences and AppPreferences.
    PersonalizeServerModel();
    PersonalizeServerModel(PreservedPreferences preservedPreference, AppPreferences appPreference);

    // Records one rating for the location of the last connection, replacing an earlier rating of
    // the same server and moving it to the end. Nothing happens with personalisation off, without
    // a last connection or its server, or with an empty identifier.
    void recordFeedback(const std::string& identifier, bool liked);

    // The liked flag of the first rating stored under the last connection's server code.
    bool isLastServerLiked() const;

    PreservedPreferences preservedPreference;
    AppPreferences appPreference;
};

}  // namespace morvex
