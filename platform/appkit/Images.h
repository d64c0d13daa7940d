#pragma once
// Images of a bundle by name: <name>.svg, else <name>.png, in the resources folder or its
// "images" folder. A name the bundle lacks gives a placeholder that cannot be overlooked (a
// crossed-out box) and one console line per name, never a crash or an empty gap.
//
// Threads: main thread (pixmaps).
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <filesystem>
#include <optional>
#include <string_view>

#include "foundation/Bundle.h"

namespace morvex::appkit {

std::optional<std::filesystem::path> imagePath(std::string_view name, const Bundle& bundle = Bundle::main());
bool hasImageNamed(std::string_view name, const Bundle& bundle = Bundle::main());

// The image as an icon (scales without loss when it is an SVG); the placeholder when missing.
QIcon iconNamed(std::string_view name, const Bundle& bundle = Bundle::main());
// The image drawn at `size` (device-independent pixels) keeping its aspect ratio.
QPixmap imageNamed(std::string_view name, QSize size, const Bundle& bundle = Bundle::main());

// What a missing image looks like.
QPixmap missingImage(QSize size);

}  // namespace morvex::appkit
