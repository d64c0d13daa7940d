#include "support/SignInWindowStandIn.h"

#include <QFile>
#include <cstdlib>
#include <fstream>

namespace morvex::test {

SignInWindowStandIn::SignInWindowStandIn(const std::string& body, const std::string& expectedRequest) {
    const std::string path = dir_.filePath("window").toStdString();
    std::ofstream script(path);
    script << "#!/bin/sh\n"
              "[ $# -eq 0 ] || exit 9\n"
              "IFS= read -r request || exit 9\n";
    // Single-quoted for the shell: a quote inside ends the quoting, is escaped, and starts it again.
    if (!expectedRequest.empty()) {
        std::string quoted;
        for (char c : expectedRequest) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        script << "[ \"$request\" = '" << quoted << "' ] || exit 9\n";
    }
    script << body << "\n";
    script.close();
    QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::ExeOwner);
    ::setenv("MORVEX_SIGN_IN_PROGRAM", path.c_str(), 1);
}

SignInWindowStandIn::~SignInWindowStandIn() { ::unsetenv("MORVEX_SIGN_IN_PROGRAM"); }

bool processEnded(std::int64_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

std::vector<std::int64_t> processTree(std::int64_t pid) {
    std::vector<std::int64_t> found{pid};
    for (std::size_t next = 0; next < found.size(); ++next) {
        const std::string id = std::to_string(found[next]);
        std::ifstream children("/proc/" + id + "/task/" + id + "/children");
        for (std::int64_t child; children >> child;) found.push_back(child);
    }
    return found;
}

}  // namespace morvex::test
