#pragma once
// The standard content size of the main window, which the splash, the main content, the tab bar
// and the update page all set when they appear.
#include <QSize>

namespace morvex {

inline constexpr QSize kMainWindowContentSize{760, 500};

}  // namespace morvex
