#pragma once
// The named resources of a bundle beside its strings: images, colours and animations.
//
// Layout inside <bundle>/Resources:
//   Images/<name>.svg        every image by name, flags by lower-case country code ("us")
//   colors.json              the named colours, each with a light and a dark value
//   Animations/<name>.json   the Lottie animations
//
// Screens ask for these by name only, through the three calls below (and texts through
// `localized`), so one test can find every name the code uses and check that the bundle has it.
// A table of names that code looks up in turn follows the same rule: a `k…Keys` array holds text
// keys, `k…ImageNames` image names, `k…ColorNames` colour names, `k…AnimationNames` animations.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Bundle.h"

namespace morvex {

// A colour as fractions from 0 to 1.
struct Rgba {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

enum class Appearance { Light, Dark };

struct NamedColor {
    Rgba light;
    Rgba dark;
    const Rgba& forAppearance(Appearance a) const { return a == Appearance::Dark ? dark : light; }
};

// The SVG file of the image with that exact name (no lower-casing), or nothing when the bundle has
// none. Looked up in Resources/Images, then in the localization folders' Images.
std::optional<std::filesystem::path> imageNamed(std::string_view name, const Bundle& bundle = Bundle::main());

// The colour of that name from Resources/colors.json, or nothing when the table has no such entry
// or cannot be read (a damaged table is reported once on the console). The table is read once per
// bundle path and kept; safe from any thread.
std::optional<NamedColor> colorNamed(std::string_view name, const Bundle& bundle = Bundle::main());

// The Lottie file of the animation with that name (Resources/Animations/<name>.json), or nothing.
std::optional<std::filesystem::path> animationNamed(std::string_view name, const Bundle& bundle = Bundle::main());

// "#RRGGBB" or "#RRGGBBAA" (either case) as a colour; nothing for any other text.
std::optional<Rgba> parseHexColor(std::string_view text);

}  // namespace morvex
