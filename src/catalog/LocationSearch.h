#pragma once
// Narrowing and ordering of location lists: the search text rule (only ASCII letters, digits and
// the space survive, so no typed character can change the meaning of the match), the named
// filters, the sort orders the lists bind to, and the single-key stable sorts of the sectioned list.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ServerRecord.h"

namespace morvex {

struct LocationSearch {
    using Server = ZevuDataFetcherTypes::Server;
    using ServerList = ZevuDataFetcherTypes::ServerList;

    // A list filter: whether it is on, its name and its clause ("p2p == true").
    struct FilterStructure {
        bool status = false;
        std::string name;
        std::string filterString;
        friend bool operator==(const FilterStructure&, const FilterStructure&) = default;
    };
    using FilterTable = std::map<std::int64_t, FilterStructure>;
    // Key 0: locations that allow peer-to-peer traffic; off.
    static FilterTable defaultFilters();

    enum class SortKind : std::uint8_t { alphabetical = 0, popularity = 1, ping = 2 };
    // The sort control's tag: 2 ping, 1 popularity, anything else alphabetical.
    static SortKind sortKindFromTag(int tag);

    // One key of an order, compared as its type does ("name" as text, the numbers as numbers).
    struct SortDescriptor {
        std::string key;  // "name", "priority" or "latency"
        bool ascending = true;
        friend bool operator==(const SortDescriptor&, const SortDescriptor&) = default;
    };
    using SortDescriptors = std::vector<SortDescriptor>;
    static const SortDescriptors& nameSortDescriptor();   // name
    static const SortDescriptors& rankSortDescriptor();   // priority descending, name
    static const SortDescriptors& pingSortDescriptor();   // latency, priority descending, name
    static const SortDescriptors& cityPingSortDescriptor();  // latency, name

    // The search text with every character other than the space, ASCII letters and digits removed.
    static std::string cleanedSearchText(std::string_view text);
    // The clauses of the filters that are on, joined with " AND " in key order and put in
    // parentheses; "" when none is on.
    static std::string filterClause(const FilterTable& filters);
    // Whether a location passes a filter clause. Clauses are "<flag> == true|false" joined by
    // " AND ", for the flags p2p, quantumResistant and favorite; an unknown clause passes nothing.
    static bool matchesClause(const Server& server, std::string_view clause);
    // Whether the cleaned text occurs in the location's name or code, ignoring case and accents.
    static bool matchesText(const Server& server, std::string_view cleanedText);
    // The lower-case, accent-free search keys of a list's locations, made once per location: a
    // search per keystroke then compares plain text. Keys follow the list by position and are
    // made again for a position whose location, name or code changed since.
    class Keys {
    public:
        struct Entry {
            const Server* server = nullptr;
            std::string name, code;              // as they were when the keys were made
            std::string foldedName, foldedCode;  // the keys
        };
        const Entry& keysFor(std::size_t position, const Server& server);
        std::size_t size() const { return entries_.size(); }
        // Keys made (not reused) so far; for the tests.
        std::size_t made() const { return made_; }

    private:
        std::vector<Entry> entries_;
        std::size_t made_ = 0;
    };

    // `text` lower case without accents (canonical decomposition, marks dropped).
    static std::string foldedText(std::string_view text);

    // The locations of `source`, in order, that match the text (when not empty) and the clause
    // (when not empty); none for none. With `keys`, the folded keys are made once per location
    // and kept there for the next search over the same list.
    static std::optional<ServerList> search(const std::optional<ServerList>& source, std::string_view cleanedText,
                                            std::string_view clause, Keys* keys = nullptr);

    // A new list ordered by the one key of the kind, stably: equal keys keep their input order.
    // Names compare by code point and case-sensitively; unmeasured latencies come last.
    static ServerList sortedServers(const ServerList& servers, SortKind kind);
    // A new list ordered by the descriptors, stably.
    static ServerList arranged(const ServerList& servers, const SortDescriptors& descriptors);
};

}  // namespace morvex
