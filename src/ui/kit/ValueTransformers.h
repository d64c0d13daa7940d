#pragma once
// The value transformers the screens' bindings name, registered under their names before any
// screen is made (the registry is appkit's).
#include <string>
#include <vector>

namespace morvex {

// Registers every transformer of the table; answers the names registered, in table order.
std::vector<std::string> registerValueTransformers();

}  // namespace morvex
