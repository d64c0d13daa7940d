#pragma once
// What the helper looks at in a caller's running process besides its program's signature: a
// signed program is only as good as the code it runs, and code can be brought into it from
// outside. A caller is refused while it is traced (a debugger can make it do anything), when it was
// started with the dynamic loader told to load or look for more (LD_PRELOAD, LD_AUDIT,
// LD_LIBRARY_PATH), and when any executable file mapped into it lies outside the trusted folders
// (the system's library folders and the helper's own bundle) — which is where a library loaded
// any other way (a plugin path, dlopen) would show.
//
// What this cannot see: code written into the process's memory without a file (by a debugger
// that has already detached, or by the process itself), a process that rewrote its own
// environment block, any folder a process of another mount namespace calls by a trusted name, and
// whatever the process loads after the check has looked.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morvex::helper {

// The system's library folders.
const std::vector<std::filesystem::path>& systemLibraryFolders();

// Why the process whose /proc directory is `procDir` may not be served, or nothing. Its own
// program (the target of `procDir`/exe) is checked by its signature, not by its folder. Reads are
// bounded; a file that cannot be read is a reason to refuse.
std::optional<std::string> callerProcessProblem(const std::filesystem::path& procDir,
                                                const std::vector<std::filesystem::path>& trustedFolders);

}  // namespace morvex::helper
