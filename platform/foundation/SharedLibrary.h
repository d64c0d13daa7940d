#pragma once
// A system library loaded the first time the program calls into it rather than at start: mapping
// and relocating a library the first window does not use delays every start. Only the library's
// headers are compiled in; its functions are looked up by name into a table of pointers (see
// CryptoLibrary.h). The handle stays open for the rest of the run.
//
// Threads: a table is made once (a function-local static), so any thread may ask for it.
#include <string>

namespace morvex {

class SharedLibrary {
public:
    // Loads `soname` (RTLD_NOW | RTLD_LOCAL); failure() says why when that fails.
    explicit SharedLibrary(const char* soname);

    // Sets `function` to the library's function `name`; null (and noted in failure()) when the
    // library was not loaded or lacks it.
    template <typename Function>
    void find(Function*& function, const char* name) {
        function = reinterpret_cast<Function*>(symbol(name));
    }

    // Empty when the library and every function asked for were found.
    const std::string& failure() const { return failure_; }

    // For a library the program cannot work without: ends the run with the reason on standard
    // error, as the dynamic loader would have done at start, when anything was missing.
    void require() const;

private:
    void* symbol(const char* name);

    std::string soname_;
    void* handle_ = nullptr;
    std::string failure_;
};

}  // namespace morvex

// Sets `table.name` to the library's function of that very name, so that a table's member and the
// symbol looked up for it cannot drift apart.
#define MORVEX_FIND_FUNCTION(library, table, name) (library).find((table).name, #name)
