#pragma once
// The include rules between the application's source folders, checked over a source tree:
// - a folder of a lower layer never includes one of a higher layer
//   (model < state < api < session/catalog/vpn/alerts < viewmodels < ui/kit, ui/shell < ui/<feature> < app);
// - no UI feature folder (ui/<feature>) includes another;
// - a view model (viewmodels/) includes no Qt Widgets header;
// - no two folders include each other, directly or round a cycle.
// A folder is "ui/<name>" under ui/, else the first folder under the root. Only quoted includes
// that name a file of the tree count as edges; angle includes are looked up among Qt Widgets'
// headers for the view-model rule.
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace morvex::includecheck {

struct Include {
    std::string file;  // relative to the root
    int line = 0;
    std::string header;
};

struct Report {
    // Folder -> folder, with every include that makes the edge.
    std::map<std::pair<std::string, std::string>, std::vector<Include>> edges;
    // Broken rules, one line each, naming the file and line.
    std::vector<std::string> violations;
    // Folders that include each other round a cycle (strongly connected sets of two or more).
    std::vector<std::vector<std::string>> cycles;
};

// `widgetHeaders` holds the names of Qt Widgets' headers (QWidget, QLabel, qwidget.h, …).
Report check(const std::filesystem::path& root, const std::set<std::string>& widgetHeaders);

// The header names of a Qt Widgets include folder (…/QtWidgets).
std::set<std::string> headersIn(const std::filesystem::path& folder);

}  // namespace morvex::includecheck
