#pragma once
// Images of a bundle by name, drawn for widgets: the file is the bundle's image of that name
// (foundation's imageNamed: Resources/Images/<name>.svg). A name the bundle lacks gives a
// placeholder that cannot be overlooked (a crossed-out box) and one console line per name, never a
// crash or an empty gap. The calls keep the name `imageNamed`, so the resources suite finds every
// literal name the code asks for.
//
// Threads: main thread (pixmaps).
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <string_view>

#include "foundation/Bundle.h"

namespace morvex::appkit {

// The image as an icon (it scales without loss); the placeholder when missing.
QIcon imageNamed(std::string_view name, const Bundle& bundle = Bundle::main());
// The image drawn at `size` (device-independent pixels) keeping its aspect ratio. Where the build
// drew the image at that size beforehand (Resources/Rasters, one device pixel per pixel) its
// pixels are read instead: the same picture, without the SVG engine.
QPixmap imageNamed(std::string_view name, QSize size, const Bundle& bundle = Bundle::main());

// What a missing image looks like.
QPixmap missingImage(QSize size);

}  // namespace morvex::appkit
