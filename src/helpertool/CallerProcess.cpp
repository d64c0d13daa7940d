#include "CallerProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <string_view>

namespace morvex::helper {

namespace {

constexpr std::size_t kMaxLine = 8192;

// Reads a /proc file in pieces and hands each line (entry) to `take`, which may stop the reading
// by answering false. An entry longer than kMaxLine is handed over cut short. False when the file
// cannot be opened or read.
bool forEachEntry(const std::filesystem::path& file, char separator,
                  const std::function<bool(std::string_view)>& take) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    std::string entry;
    std::array<char, 16384> buf;
    bool ok = true, going = true;
    bool cut = false;  // the rest of an overlong entry is being skipped
    while (going) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n && going; ++i) {
            const char c = buf[static_cast<std::size_t>(i)];
            if (c == separator) {
                if (!cut || !entry.empty()) going = take(entry);
                entry.clear();
                cut = false;
            } else if (entry.size() < kMaxLine) {
                entry.push_back(c);
            } else if (!cut) {
                going = take(entry);
                entry.clear();
                cut = true;
            }
        }
    }
    if (going && ok && !entry.empty()) take(entry);
    ::close(fd);
    return ok;
}

bool isUnder(std::string_view path, const std::filesystem::path& folder) {
    std::string prefix = folder.string();
    if (prefix.empty()) return false;
    if (!prefix.ends_with('/')) prefix.push_back('/');
    return path.starts_with(prefix) && path.find("/../") == std::string_view::npos;
}

std::optional<std::string> tracerProblem(const std::filesystem::path& procDir) {
    std::optional<std::string> problem = "the process's status cannot be read";
    forEachEntry(procDir / "status", '\n', [&](std::string_view line) {
        constexpr std::string_view key = "TracerPid:";
        if (!line.starts_with(key)) return true;
        line.remove_prefix(key.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        problem = line == "0" ? std::nullopt : std::optional<std::string>("the process is being traced");
        return false;
    });
    return problem;
}

std::optional<std::string> loaderProblem(const std::filesystem::path& procDir) {
    std::optional<std::string> problem;
    const bool read = forEachEntry(procDir / "environ", '\0', [&](std::string_view entry) {
        for (std::string_view name : {"LD_PRELOAD=", "LD_AUDIT=", "LD_LIBRARY_PATH="}) {
            if (entry.starts_with(name) && entry.size() > name.size()) {
                name.remove_suffix(1);
                problem = "the process was started with " + std::string(name);
                return false;
            }
        }
        return true;
    });
    if (!read) return "the process's environment cannot be read";
    return problem;
}

std::optional<std::string> mappingProblem(const std::filesystem::path& procDir,
                                          const std::vector<std::filesystem::path>& trusted) {
    std::error_code ec;
    const std::string program = std::filesystem::read_symlink(procDir / "exe", ec).string();
    if (ec) return "the process's program cannot be found";
    std::optional<std::string> problem;
    const bool read = forEachEntry(procDir / "maps", '\n', [&](std::string_view line) {
        // "start-end perms offset dev inode   path": five fields, then the path (which may hold spaces).
        std::size_t at = 0;
        std::string_view perms;
        for (int field = 0; field < 5; ++field) {
            while (at < line.size() && line[at] == ' ') ++at;
            const auto end = std::min(line.find(' ', at), line.size());
            if (field == 1) perms = line.substr(at, end - at);
            at = end;
        }
        while (at < line.size() && line[at] == ' ') ++at;
        std::string_view path = line.substr(std::min(at, line.size()));
        // Anonymous memory and the kernel's own areas ([vdso], [stack], …) are no files.
        if (perms.size() < 3 || perms[2] != 'x' || !path.starts_with('/')) return true;
        if (path == program) return true;
        // A library replaced on disk since it was loaded (an upgrade) still counts by its folder.
        constexpr std::string_view deleted = " (deleted)";
        if (path.ends_with(deleted)) path.remove_suffix(deleted.size());
        for (const auto& folder : trusted)
            if (isUnder(path, folder)) return true;
        problem = "the process runs code from " + std::string(path);
        return false;
    });
    if (!read) return "the process's memory map cannot be read";
    return problem;
}

}  // namespace

const std::vector<std::filesystem::path>& systemLibraryFolders() {
    static const std::vector<std::filesystem::path> folders = {"/usr/lib", "/usr/lib64", "/lib", "/lib64"};
    return folders;
}

std::optional<std::string> callerProcessProblem(const std::filesystem::path& procDir,
                                                const std::vector<std::filesystem::path>& trustedFolders) {
    if (auto p = tracerProblem(procDir)) return p;
    if (auto p = loaderProblem(procDir)) return p;
    return mappingProblem(procDir, trustedFolders);
}

}  // namespace morvex::helper
