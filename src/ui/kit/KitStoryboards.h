#pragma once
// The kit's own scenes: the sheets more than one feature presents (the protocol sheet).

namespace morvex {

void registerKitStoryboards();

}  // namespace morvex
