#include "ui/preferences/AppSettingsStyle.h"

#include <QHBoxLayout>
#include <string>

#include "appkit/Images.h"
#include "foundation/Bundle.h"
#include "state/AppPreferences.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/ThemedColor.h"

namespace morvex::app_settings {

namespace {

constexpr const char* kColorProperty = "morvexTextColor";

void applyColor(QWidget* widget) {
    const QVariant name = widget->property(kColorProperty);
    if (!name.isValid()) return;
    const QColor color = ThemedColor::colorNamed(name.toString().toStdString()).resolve(widget);
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::ButtonText, color);
    p.setColor(QPalette::Text, color);
    widget->setPalette(p);
}

}  // namespace

PageView::PageView(QWidget* parent) : CustomView(parent) {
    setBackgroundColor(ThemedColor::colorNamed("WindowBackground", QColor(246, 246, 246)));
}

void PageView::viewDidChangeEffectiveAppearance() {
    CustomView::viewDidChangeEffectiveAppearance();
    if (restyle) restyle();
}

QLabel* label(const QString& text, int points, QFont::Weight weight, std::string_view colorName, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(systemFont(points, weight));
    l->setProperty(kColorProperty, QString::fromUtf8(colorName.data(), static_cast<int>(colorName.size())));
    applyColor(l);
    return l;
}

void restyleTexts(QWidget* root) {
    applyColor(root);
    for (QWidget* child : root->findChildren<QWidget*>()) applyColor(child);
}

CustomView* card(QWidget* parent) {
    auto* view = new CustomView(parent);
    view->setBackgroundColor(ThemedColor::colorNamed("BottomColor", Qt::white));
    view->setCornerRadius(12);
    return view;
}

QPushButton* textButton(const QString& text, std::string_view colorName, QWidget* parent, bool link) {
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    QFont font = systemFont(13);
    font.setUnderline(link);
    button->setFont(font);
    button->setProperty(kColorProperty, QString::fromUtf8(colorName.data(), static_cast<int>(colorName.size())));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; text-align: right; }"));
    applyColor(button);
    return button;
}

std::string storedLanguageCode() {
    return AppPreferences().defaults().string(AppPreferences::Key::preferredLanguageCode).value_or("de");
}

QString languageName(const std::string& code) {
    return QString::fromStdString(localized(code == "en" ? "language.english" : "language.german"));
}

QPushButton* makeSwitch(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setCheckable(true);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(40, 24);
    button->setIconSize(QSize(40, 24));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; }"));
    return button;
}

void presentSwitchLook(QPushButton* button, QLabel* caption, bool on) {
    if (button) button->setIcon(appkit::imageNamed(on ? "toggle_switch_on" : "toggle_switch_off"));
    if (caption) caption->setText(QString::fromStdString(localized(on ? "switch.on" : "switch.off")));
}

void presentSwitch(QPushButton* button, QLabel* caption, bool on) {
    if (button) button->setChecked(on);
    presentSwitchLook(button, caption, on);
}

}  // namespace morvex::app_settings
