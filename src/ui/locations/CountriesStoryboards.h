#pragma once

namespace morvex {

// The country lists' scenes in the main storyboard with their preferences segue, the sort and
// filter sheets' storyboards, and the sort overlay's nib.
void registerCountriesStoryboards();

}  // namespace morvex
