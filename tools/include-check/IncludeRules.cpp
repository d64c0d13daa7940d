#include "IncludeRules.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>

namespace morvex::includecheck {

namespace fs = std::filesystem;

namespace {

std::string folderOf(const std::string& relative) {
    const auto slash = relative.find('/');
    if (slash == std::string::npos) return {};
    const std::string first = relative.substr(0, slash);
    if (first == "ui") {
        const auto second = relative.find('/', slash + 1);
        if (second == std::string::npos) return {};
        return relative.substr(0, second);
    }
    return first;
}

bool isFeature(const std::string& folder) {
    return folder.starts_with("ui/") && folder != "ui/kit" && folder != "ui/shell";
}

// The layer a folder belongs to; none for folders outside the application's layers.
std::optional<int> rankOf(const std::string& folder) {
    static const std::map<std::string, int> ranks = {
        {"model", 0}, {"state", 1}, {"api", 2}, {"session", 3}, {"catalog", 3}, {"vpn", 3}, {"alerts", 3}, {"flows", 3},
        {"viewmodels", 4}, {"ui/kit", 5}, {"ui/shell", 5}, {"app", 7},
    };
    if (auto it = ranks.find(folder); it != ranks.end()) return it->second;
    if (isFeature(folder)) return 6;
    return std::nullopt;
}

std::string where(const Include& include) { return include.file + ":" + std::to_string(include.line); }

std::vector<std::vector<std::string>> stronglyConnected(const std::map<std::string, std::set<std::string>>& graph) {
    std::map<std::string, int> index, low;
    std::vector<std::string> stack;
    std::set<std::string> onStack;
    std::vector<std::vector<std::string>> out;
    int next = 0;
    std::function<void(const std::string&)> visit = [&](const std::string& v) {
        index[v] = low[v] = next++;
        stack.push_back(v);
        onStack.insert(v);
        if (auto it = graph.find(v); it != graph.end())
            for (const auto& w : it->second) {
                if (!index.contains(w)) {
                    visit(w);
                    low[v] = std::min(low[v], low[w]);
                } else if (onStack.contains(w)) {
                    low[v] = std::min(low[v], index[w]);
                }
            }
        if (low[v] != index[v]) return;
        std::vector<std::string> set;
        std::string w;
        do {
            w = stack.back();
            stack.pop_back();
            onStack.erase(w);
            set.push_back(w);
        } while (w != v);
        if (set.size() > 1) {
            std::sort(set.begin(), set.end());
            out.push_back(std::move(set));
        }
    };
    for (const auto& [v, _] : graph)
        if (!index.contains(v)) visit(v);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

std::set<std::string> headersIn(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (!entry.is_directory()) names.insert(entry.path().filename().string());
    return names;
}

Report check(const fs::path& root, const std::set<std::string>& widgetHeaders) {
    static const std::regex quoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
    static const std::regex angled(R"re(^\s*#\s*include\s*<([^>]+)>)re");
    Report report;
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const auto ext = entry.path().extension();
        if (ext == ".h" || ext == ".cpp" || ext == ".hpp") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());

    for (const auto& path : files) {
        const std::string relative = fs::relative(path, root).generic_string();
        const std::string from = folderOf(relative);
        if (from.empty()) continue;
        std::ifstream in(path);
        std::string text;
        int line = 0;
        while (std::getline(in, text)) {
            ++line;
            std::smatch m;
            if (std::regex_search(text, m, angled)) {
                std::string header = m[1].str();
                if (header.starts_with("QtWidgets/")) header = header.substr(10);
                if (from == "viewmodels" && (widgetHeaders.contains(header) || m[1].str().starts_with("QtWidgets/")))
                    report.violations.push_back(relative + ":" + std::to_string(line) + ": the view model includes the Qt Widgets header <" +
                                                m[1].str() + ">");
                continue;
            }
            if (!std::regex_search(text, m, quoted)) continue;
            const std::string header = m[1].str();
            if (!fs::exists(root / header)) continue;  // a platform, third-party or same-folder header
            const std::string to = folderOf(header);
            if (to.empty() || to == from) continue;
            Include include{relative, line, header};
            report.edges[{from, to}].push_back(include);

            const auto fromRank = rankOf(from), toRank = rankOf(to);
            if (isFeature(from) && isFeature(to))
                report.violations.push_back(where(include) + ": the feature " + from + " includes the feature " + to +
                                            " (\"" + header + "\"): reach it through ui/shell");
            else if (fromRank && toRank && *toRank > *fromRank)
                report.violations.push_back(where(include) + ": " + from + " includes " + to + ", a layer above it (\"" +
                                            header + "\")");
        }
    }

    std::map<std::string, std::set<std::string>> graph;
    for (const auto& [edge, _] : report.edges) graph[edge.first].insert(edge.second);
    report.cycles = stronglyConnected(graph);
    for (const auto& cycle : report.cycles) {
        std::string names;
        for (const auto& folder : cycle) names += (names.empty() ? "" : ", ") + folder;
        report.violations.push_back("the folders " + names + " include each other round a cycle:");
        const std::set<std::string> members(cycle.begin(), cycle.end());
        for (const auto& [edge, includes] : report.edges) {
            if (!members.contains(edge.first) || !members.contains(edge.second)) continue;
            std::string at;
            for (const auto& include : includes) at += (at.empty() ? "" : ", ") + where(include);
            report.violations.push_back("  " + edge.first + " -> " + edge.second + ": " + at);
        }
    }
    return report;
}

}  // namespace morvex::includecheck
