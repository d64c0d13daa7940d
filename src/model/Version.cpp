#include "model/Version.h"

#include "model/BundleInfo.h"
#include "foundation/Bundle.h"

namespace morvex {

std::string applicationVersionLine() {
    return Bundle::main().string("Application Name").value_or("MorvexVPN") + " " + appVersionText();
}

}  // namespace morvex
