#include "foundation/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <ctime>
#include <mutex>
#include <string>

namespace morvex::paths {

namespace {
std::mutex g_mutex;
std::filesystem::path g_override;
}  // namespace

std::filesystem::path configDirectory() {
    std::filesystem::path dir;
    {
        std::lock_guard lock(g_mutex);
        dir = g_override;
    }
    if (dir.empty()) {
        if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
            dir = std::filesystem::path(xdg) / "MorvexVPN";
        } else if (const char* home = std::getenv("HOME"); home && *home) {
            dir = std::filesystem::path(home) / ".config" / "MorvexVPN";
        } else {
            dir = std::filesystem::temp_directory_path() / "MorvexVPN";
        }
    }
    ensureDirectory(dir);
    return dir;
}

void setConfigDirectoryOverride(const std::filesystem::path& dir) {
    std::lock_guard lock(g_mutex);
    g_override = dir;
}

bool ensureDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    std::filesystem::create_directories(dir, ec);
    if (std::filesystem::is_directory(dir, ec)) {
        ::chmod(dir.c_str(), 0700);
        return true;
    }
    return false;
}

bool writeFileAtomically(const std::filesystem::path& file, std::string_view contents, unsigned mode) {
    if (!file.parent_path().empty() && !ensureDirectory(file.parent_path())) return false;
    // A unique temporary name, so two writers of the same file never share one.
    std::string tmp = file.string() + ".tmp.XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::fchmod(fd, mode);
    const char* p = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    bool ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), file.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::size_t removeTemporaries(const std::filesystem::path& file) {
    const std::string prefix = file.filename().string() + ".tmp.";
    std::size_t removed = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        // mkostemp's six characters, nothing else.
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
        std::error_code removeError;
        if (std::filesystem::remove(entry.path(), removeError)) ++removed;
    }
    return removed;
}

std::optional<std::string> readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    // One read of the size the file has now (the preferences are read this way before the first
    // window); what a file that reports no size holds, or what it grew by meanwhile, after it.
    std::string text;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();  // -1 where the file cannot seek
    in.clear();
    in.seekg(0);
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        in.read(text.data(), size);
        text.resize(static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return std::nullopt;
        if (!in) return text;  // it shrank meanwhile: what there was
    }
    in.clear();
    std::ostringstream rest;
    rest << in.rdbuf();
    if (in.bad()) return std::nullopt;
    text += rest.view();  // usually nothing: the whole file is not copied again
    return text;
}

std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file) {
    auto base = file;
    base += ".damaged-" + std::to_string(static_cast<long long>(::time(nullptr)));
    auto target = base;
    std::error_code ec;
    for (int n = 1; std::filesystem::exists(target, ec); ++n) {
        target = base;
        target += "." + std::to_string(n);
    }
    std::filesystem::rename(file, target, ec);
    if (ec) return std::nullopt;
    return target;
}

std::filesystem::path executableDirectory() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path();
    return exe.parent_path();
}

}  // namespace morvex::paths
