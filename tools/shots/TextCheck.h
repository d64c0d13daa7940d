#pragma once
// What the shots check in every picture besides drawing it: each text a label or button shows fits
// the widget (a word-wrapped label judged by its wrap), and reads against what is drawn behind it
// (at least 4.5:1 contrast). Offenders are named by widget, so a known one can be listed.
#include <QImage>
#include <QPoint>
#include <string>
#include <vector>

class QWidget;

namespace morvex::shots {

struct Offender {
    std::string kind;    // "clipped", "contrast" or "grown"
    std::string widget;  // the widget's path of object names (class names where it has none)
    std::string detail;  // the text and the figures, for people
};

// WCAG contrast ratio of two opaque colours (1 … 21).
double contrastRatio(QRgb a, QRgb b);

// Checks the visible labels and buttons under `root` (not those another widget lies over whole),
// drawn in `image` with root's top-left corner at `at`, and appends what is wrong to the shot's
// offenders.
void inspectTexts(QWidget& root, const QImage& image, QPoint at);

// Notes a window drawn wider than the widest the product sizes (the main window's 760): a
// page whose texts pushed the window out instead of fitting in it.
void inspectWindowWidth(const QWidget& window);

// The offenders found since the last take (the shot being rendered).
std::vector<Offender> takeOffenders();

}  // namespace morvex::shots
