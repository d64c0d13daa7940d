#include "foundation/NetworkModule.h"

#include <mutex>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/SharedLibrary.h"

namespace morvex::network {

namespace {

struct Loaded {
    Module* module = nullptr;
    std::string failure;
};

const Loaded& loaded() {
    static const Loaded result = [] {
        Loaded out;
        const std::string path = (Bundle::main().bundlePath() / "lib" / MORVEX_NETWORK_MODULE_NAME).string();
        SharedLibrary library(path.c_str());  // the handle stays open: the module lives as long as the run
        MakeModule make = nullptr;
        library.find(make, kMakeModuleSymbol);
        if (make) out.module = make();
        if (!out.module) {
            out.failure = library.failure().empty() ? path + " made no network module" : library.failure();
            log::nslog("Network: " + out.failure + "; nothing can be sent or received");
        }
        return out;
    }();
    return result;
}

}  // namespace

Module* load() { return loaded().module; }

const std::string& failure() { return loaded().failure; }

}  // namespace morvex::network
