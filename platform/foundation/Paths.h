#pragma once
// Where the application keeps its files.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace morvex::paths {

// $XDG_CONFIG_HOME/MorvexVPN (or ~/.config/MorvexVPN), unless overridden. Created on demand (0700).
std::filesystem::path configDirectory();
// Tests point every store at a fresh directory; an empty path restores the default.
void setConfigDirectoryOverride(const std::filesystem::path& dir);

// Creates the directory and its parents with mode 0700; true when it exists afterwards.
bool ensureDirectory(const std::filesystem::path& dir);

// Writes a whole file atomically: a temporary file beside it, flushed, then renamed over it.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view contents,
                         unsigned mode = 0600);

// Removes what writeFileAtomically leaves beside `file` when it is cut off before its rename
// ("<file>.tmp.XXXXXX"); only the one writer of a file may call this. Answers how many it removed.
std::size_t removeTemporaries(const std::filesystem::path& file);

// The whole contents of a file, or nothing when it cannot be opened.
std::optional<std::string> readFile(const std::filesystem::path& file);

// Renames a damaged file to "<file>.damaged-<time>" (a further ".N" when that name is taken), so no
// earlier damaged copy is ever replaced; the new path, or nothing when the rename failed.
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file);

// The directory of the running executable.
std::filesystem::path executableDirectory();

}  // namespace morvex::paths
