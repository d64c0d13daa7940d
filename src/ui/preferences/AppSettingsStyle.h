#pragma once
// The pieces the app settings, languages and about pages share: a page view that restyles its
// texts when the appearance turns between light and dark, texts coloured by a named colour, rows
// drawn as cards, and the image-drawn on/off switch with its "On"/"Off" caption.
//
// Threads: main thread only (widgets).
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <string>
#include <string_view>

#include "ui/kit/LayerViews.h"

namespace morvex::app_settings {

// The page's root view: `WindowBackground`, and `restyle` runs after every change between light
// and dark (and once when the page is built).
class PageView : public CustomView {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);
    std::function<void()> restyle;
    void viewDidChangeEffectiveAppearance() override;
};

// A text drawn in the bundle's colour of that name, at a size and weight of the type table.
QLabel* label(const QString& text, int points, QFont::Weight weight, std::string_view colorName, QWidget* parent);
// Re-resolves the named colours of every such text under `root` against its appearance.
void restyleTexts(QWidget* root);
// A card row (`BottomColor`, radius 12) with 16 points of side padding.
CustomView* card(QWidget* parent);
// A flat button showing only its text in a named colour, underlined like a link when asked.
QPushButton* textButton(const QString& text, std::string_view colorName, QWidget* parent, bool link = true);

// The stored interface language ("de" when none is stored). Read without the language manager,
// whose creation applies the stored language to the main bundle.
std::string storedLanguageCode();
// The language's name in the interface language.
QString languageName(const std::string& code);

// The on/off switch: a checkable image button of 40 x 24.
QPushButton* makeSwitch(QWidget* parent);
// Image "toggle_switch_on"/"toggle_switch_off", checked state and the caption "On"/"Off" in the
// user's language.
void presentSwitch(QPushButton* button, QLabel* caption, bool on);
// The caption and image alone, leaving the button's state as it is.
void presentSwitchLook(QPushButton* button, QLabel* caption, bool on);

}  // namespace morvex::app_settings
