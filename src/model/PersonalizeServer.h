#pragma once
// One rating of a VPN server: its NAS identifier, liked or disliked. Ratings are stored per
// location code (a Server's `code`) as JSON:
//   {"<code>": [{"identifier": "<nas id>", "liked": true}, ...], ...}
// The types live in PersonalizeServerModelTypes so that the per-user store can read them without
// the model; they are named PersonalizeServerModel::PersonalizeServer everywhere.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"

namespace morvex {

struct PersonalizeServerModelTypes {
    // Entries have no equality of their own: they are matched by `identifier`.
    class PersonalizeServer {
    public:
        PersonalizeServer(std::string identifier, bool liked) : identifier(std::move(identifier)), liked(liked) {}
        std::string identifier;
        bool liked;
    };

    // Location code -> ratings, oldest first.
    using Ratings = std::map<std::string, std::vector<PersonalizeServer>>;

    // The stored form of a ratings dictionary.
    static Bytes encodeRatings(const Ratings& ratings);
    // Nothing for data that is not exactly that form: not JSON, not an object of lists, or an
    // entry without a text identifier or with a non-Boolean "liked" (a missing "liked" is false).
    static std::optional<Ratings> decodeRatings(const Bytes& data);
};

}  // namespace morvex
