#pragma once
// The model of the dashboard's second animation area: only the engine it would read from.
#include "flows/MorvexVPNService.h"
#include "vpn/Zevu.h"

namespace morvex {

struct WavesModel {
    Zevu zevu = MorvexVPNService::makeZevu();
};

}  // namespace morvex
