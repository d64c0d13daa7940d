#include "foundation/LoginItem.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/RunningApplications.h"

namespace morvex {

namespace {

std::mutex g_mutex;
std::filesystem::path g_override;

bool hasControlCharacter(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

// A value of the desktop-entry type "string": backslashes doubled.
std::string escapeString(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

// The Exec value that runs exactly this program: one argument in double quotes (inside them
// `"`, `` ` ``, `$` and `\` take a backslash), "%" doubled so no field code is seen, then escaped
// as a string value.
std::string execValue(const std::filesystem::path& program) {
    std::string quoted = "\"";
    for (char c : program.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return escapeString(quoted);
}

std::string autostartEntry(std::string_view name, const std::filesystem::path& program) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=" + escapeString(name) + "\n";
    text += "Exec=" + execValue(program) + "\n";
    text += "Terminal=false\n";
    text += "NoDisplay=true\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

void report(std::string_view identifier, std::string_view problem) {
    log::nslog("Login item " + std::string(identifier) + ": " + std::string(problem));
}

}  // namespace

std::filesystem::path LoginItems::autostartDirectory() {
    {
        std::lock_guard lock(g_mutex);
        if (!g_override.empty()) return g_override;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return std::filesystem::path(xdg) / "autostart";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".config" / "autostart";
}

void LoginItems::setAutostartDirectoryOverride(const std::filesystem::path& dir) {
    std::lock_guard lock(g_mutex);
    g_override = dir;
}

std::optional<std::filesystem::path> LoginItems::autostartEntryPath(std::string_view identifier) {
    // The bundle-identifier syntax also keeps the file name inside the folder (no "/", no "..").
    if (!RunningApplications::busName(identifier)) return std::nullopt;
    return autostartDirectory() / (std::string(identifier) + ".desktop");
}

std::optional<std::filesystem::path> LoginItems::loginItemExecutable(std::string_view identifier) {
    std::error_code ec;
    std::filesystem::directory_iterator it(Bundle::main().bundlePath() / "Library" / "LoginItems", ec);
    if (ec) return std::nullopt;
    for (const auto& entry : it) {
        if (entry.path().extension() != ".app" || !entry.is_directory(ec)) continue;
        Bundle item(entry.path());
        if (item.string("Bundle identifier") != identifier) continue;
        auto executable = item.string("Bundle executable");
        if (!executable || executable->empty() || executable->find('/') != std::string::npos ||
            *executable == "." || *executable == "..")
            return std::nullopt;
        auto program = item.executableDirectory() / *executable;
        if (!std::filesystem::is_regular_file(program, ec) || ::access(program.c_str(), X_OK) != 0)
            return std::nullopt;
        return program;
    }
    return std::nullopt;
}

bool SMLoginItemSetEnabled(std::string_view identifier, bool enabled) {
    auto entry = LoginItems::autostartEntryPath(identifier);
    if (!entry) {
        report(identifier, "not a bundle identifier");
        return false;
    }
    if (!enabled) {
        std::error_code ec;
        std::filesystem::remove(*entry, ec);
        // A folder that cannot exist holds no entry either.
        if (ec && ec != std::errc::not_a_directory) {
            report(identifier, "cannot remove " + entry->string() + ": " + ec.message());
            return false;
        }
        return true;
    }
    auto program = LoginItems::loginItemExecutable(identifier);
    if (!program) {
        report(identifier, "no such login item in " + Bundle::main().bundlePath().string());
        return false;
    }
    // Autostart entries cannot carry control characters in a program's path.
    if (hasControlCharacter(program->string())) {
        report(identifier, "the program's path cannot be written into an autostart entry");
        return false;
    }
    std::string name = program->filename().string();
    if (!paths::ensureDirectory(entry->parent_path()) ||
        !paths::writeFileAtomically(*entry, autostartEntry(name, *program), 0644)) {
        report(identifier, "cannot write " + entry->string());
        return false;
    }
    return true;
}

}  // namespace morvex
