// morvex-include-check SRC [--widgets QT_WIDGETS_INCLUDE_DIR] [--graph]
// Checks the include rules of IncludeRules.h over the source tree SRC and prints every broken
// rule by file and line (exit status 1), or nothing (exit status 0). --graph also prints the
// folder graph: one line per edge with its include count, then the cycles.
#include <cstring>
#include <iostream>

#include "IncludeRules.h"

int main(int argc, char** argv) {
    using namespace morvex::includecheck;
    if (argc < 2) {
        std::cerr << "usage: morvex-include-check SRC [--widgets QT_WIDGETS_INCLUDE_DIR] [--graph]\n";
        return 2;
    }
    std::set<std::string> widgets;
    bool graph = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--widgets") == 0 && i + 1 < argc) widgets = headersIn(argv[++i]);
        else if (std::strcmp(argv[i], "--graph") == 0) graph = true;
        else {
            std::cerr << "unknown argument: " << argv[i] << "\n";
            return 2;
        }
    }
    if (!std::filesystem::is_directory(argv[1])) {
        std::cerr << "no source folder at " << argv[1] << "\n";
        return 2;
    }
    const Report report = check(argv[1], widgets);
    if (graph) {
        std::cout << report.edges.size() << " edges, " << report.cycles.size() << " cycles\n";
        for (const auto& [edge, includes] : report.edges)
            std::cout << edge.first << " -> " << edge.second << " (" << includes.size() << ")\n";
        for (const auto& cycle : report.cycles) {
            std::cout << "cycle:";
            for (const auto& folder : cycle) std::cout << ' ' << folder;
            std::cout << '\n';
        }
    }
    for (const auto& line : report.violations) std::cout << line << '\n';
    return report.violations.empty() ? 0 : 1;
}
