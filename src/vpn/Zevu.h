#pragma once
// The facade over the VPN SDK. Its value types live in ZevuTypes.
#include "model/ZevuTypes.h"

namespace morvex {

class Zevu : public ZevuTypes {};

}  // namespace morvex
