#include "catalog/LocationSearch.h"

#include <QString>

#include <algorithm>
#include <string_view>


namespace morvex {

namespace {

using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

bool isAllowed(unsigned char c) {
    return c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Lower case without accents: canonical decomposition, marks dropped.
std::string folded(std::string_view text) {
    if (isAscii(text)) {
        std::string out(text);
        for (auto& c : out) c = lowerAscii(c);
        return out;
    }
    const QString decomposed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                                   .normalized(QString::NormalizationForm_D)
                                   .toCaseFolded();
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) out.append(c);
    return out.toStdString();
}

// `needle` is lower-case ASCII.
bool containsFolded(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    if (!isAscii(haystack)) {
        const auto f = folded(haystack);
        return std::string_view(f).find(needle) != std::string_view::npos;
    }
    if (haystack.size() < needle.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lowerAscii(haystack[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// -1 when a goes first, 1 when b does, 0 when equal.
int compareBy(const ZevuDataFetcherTypes::Server& a, const ZevuDataFetcherTypes::Server& b,
              const LocationSearch::SortDescriptor& d) {
    int c = 0;
    if (d.key == "name") c = a.name.compare(b.name) < 0 ? -1 : (a.name == b.name ? 0 : 1);
    else if (d.key == "priority") c = a.priority < b.priority ? -1 : (a.priority == b.priority ? 0 : 1);
    else if (d.key == "latency") c = a.latency < b.latency ? -1 : (a.latency == b.latency ? 0 : 1);
    return d.ascending ? c : -c;
}

}  // namespace

LocationSearch::FilterTable LocationSearch::defaultFilters() { return {{0, {false, "p2p", "p2p == true"}}}; }

LocationSearch::SortKind LocationSearch::sortKindFromTag(int tag) {
    if (tag == 2) return SortKind::ping;
    if (tag == 1) return SortKind::popularity;
    return SortKind::alphabetical;
}

const LocationSearch::SortDescriptors& LocationSearch::nameSortDescriptor() {
    static const SortDescriptors d{{"name", true}};
    return d;
}
const LocationSearch::SortDescriptors& LocationSearch::rankSortDescriptor() {
    static const SortDescriptors d{{"priority", false}, {"name", true}};
    return d;
}
const LocationSearch::SortDescriptors& LocationSearch::pingSortDescriptor() {
    static const SortDescriptors d{{"latency", true}, {"priority", false}, {"name", true}};
    return d;
}
const LocationSearch::SortDescriptors& LocationSearch::cityPingSortDescriptor() {
    static const SortDescriptors d{{"latency", true}, {"name", true}};
    return d;
}

std::string LocationSearch::cleanedSearchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (isAllowed(static_cast<unsigned char>(c))) out.push_back(c);
    return out;
}

std::string LocationSearch::filterClause(const FilterTable& filters) {
    std::string joined;
    for (const auto& [key, filter] : filters) {
        if (!filter.status) continue;
        if (!joined.empty()) joined += " AND ";
        joined += filter.filterString;
    }
    if (joined.size() < 2) return {};
    return "(" + joined + ")";
}

bool LocationSearch::matchesClause(const Server& server, std::string_view clause) {
    clause = trimmed(clause);
    if (clause.size() >= 2 && clause.front() == '(' && clause.back() == ')') clause = clause.substr(1, clause.size() - 2);
    while (!clause.empty()) {
        const auto cut = clause.find(" AND ");
        const auto part = trimmed(clause.substr(0, cut));
        clause = cut == std::string_view::npos ? std::string_view() : clause.substr(cut + 5);
        const auto eq = part.find("==");
        if (eq == std::string_view::npos) return false;
        const auto key = trimmed(part.substr(0, eq));
        const auto value = trimmed(part.substr(eq + 2));
        if (value != "true" && value != "false") return false;
        bool flag = false;
        if (key == "p2p") flag = server.p2p;
        else if (key == "quantumResistant") flag = server.quantumResistant;
        else if (key == "favorite") flag = server.favorite;
        else return false;
        if (flag != (value == "true")) return false;
    }
    return true;
}

bool LocationSearch::matchesText(const Server& server, std::string_view cleanedText) {
    std::string needle(cleanedText);
    for (auto& c : needle) c = lowerAscii(c);
    return containsFolded(server.name, needle) || containsFolded(server.code, needle);
}

std::string LocationSearch::foldedText(std::string_view text) { return folded(text); }

const LocationSearch::Keys::Entry& LocationSearch::Keys::keysFor(std::size_t position, const Server& server) {
    if (position >= entries_.size()) entries_.resize(position + 1);
    Entry& e = entries_[position];
    if (e.server != &server || e.name != server.name || e.code != server.code) {
        e.server = &server;
        e.name = server.name;
        e.code = server.code;
        e.foldedName = folded(server.name);
        e.foldedCode = folded(server.code);
        ++made_;
    }
    return e;
}

std::optional<LocationSearch::ServerList> LocationSearch::search(const std::optional<ServerList>& source,
                                                                 std::string_view cleanedText, std::string_view clause,
                                                                 Keys* keys) {
    if (!source) return std::nullopt;
    if (cleanedText.empty() && clause.empty()) return source;
    std::string needle(cleanedText);
    for (auto& c : needle) c = lowerAscii(c);
    ServerList out;
    for (std::size_t i = 0; i < source->size(); ++i) {
        const auto& s = (*source)[i];
        if (!s) continue;
        if (!needle.empty()) {
            if (keys) {
                const auto& k = keys->keysFor(i, *s);
                if (k.foldedName.find(needle) == std::string::npos && k.foldedCode.find(needle) == std::string::npos)
                    continue;
            } else if (!containsFolded(s->name, needle) && !containsFolded(s->code, needle)) {
                continue;
            }
        }
        if (!clause.empty() && !matchesClause(*s, clause)) continue;
        out.push_back(s);
    }
    return out;
}

LocationSearch::ServerList LocationSearch::sortedServers(const ServerList& servers, SortKind kind) {
    ServerList out = servers;
    std::erase(out, nullptr);
    switch (kind) {
    case SortKind::alphabetical:
        std::stable_sort(out.begin(), out.end(), [](const ServerPtr& a, const ServerPtr& b) { return a->name < b->name; });
        break;
    case SortKind::popularity:
        std::stable_sort(out.begin(), out.end(),
                         [](const ServerPtr& a, const ServerPtr& b) { return a->priority > b->priority; });
        break;
    case SortKind::ping:
        std::stable_sort(out.begin(), out.end(),
                         [](const ServerPtr& a, const ServerPtr& b) { return a->latency < b->latency; });
        break;
    }
    return out;
}

LocationSearch::ServerList LocationSearch::arranged(const ServerList& servers, const SortDescriptors& descriptors) {
    ServerList out = servers;
    std::erase(out, nullptr);
    std::stable_sort(out.begin(), out.end(), [&](const ServerPtr& a, const ServerPtr& b) {
        for (const auto& d : descriptors)
            if (int c = compareBy(*a, *b, d); c != 0) return c < 0;
        return false;
    });
    return out;
}

}  // namespace morvex
