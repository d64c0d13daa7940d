#include "app/Version.h"

#include "foundation/Bundle.h"

namespace morvex {

std::string applicationVersionLine() {
    const auto& bundle = Bundle::main();
    return bundle.string("Application Name").value_or("MorvexVPN") + " " +
           bundle.string("Version").value_or("0") + " (" + bundle.string("Build").value_or("0") + ")";
}

}  // namespace morvex
