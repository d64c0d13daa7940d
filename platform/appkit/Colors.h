#pragma once
// The bundle's named colours for widgets, in the light or dark value (foundation's colorNamed:
// Resources/colors.json). A name the table lacks gives the fallback and one console line. The
// call keeps the name `colorNamed`, so the resources suite finds every literal name asked for.
#include <QColor>
#include <string_view>

#include "appkit/Appearance.h"
#include "foundation/Bundle.h"

namespace morvex::appkit {

QColor colorNamed(std::string_view name, Appearance appearance, QColor fallback = QColor(Qt::magenta),
                  const Bundle& bundle = Bundle::main());

}  // namespace morvex::appkit
