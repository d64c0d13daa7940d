#pragma once
#include <string>

namespace morvex {

// "MorvexVPN <version> (<build>)" from the bundle's Info values.
std::string applicationVersionLine();

}  // namespace morvex
