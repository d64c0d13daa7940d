#include "ui/locations/LocationsCellStyle.h"

#include <QLabel>
#include <any>
#include <optional>
#include <string>

#include "appkit/Images.h"
#include "ui/kit/DashboardStyle.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/Transformers.h"

namespace morvex::cellstyle {
namespace {

QIcon iconOf(std::optional<std::string> name) {
    const std::any image = transformers::imageFromName(name);
    const auto* icon = std::any_cast<QIcon>(&image);
    return icon ? *icon : QIcon();
}

}  // namespace

QLabel* titleLabel(QWidget* parent, int pointSize) {
    auto* title = new QLabel(parent);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->setFont(dashboard::font(pointSize));
    // A long name is cut at the row's end rather than widening the list.
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextColor(title, "HeadingText");
    return title;
}

PVButton* iconButton(const char* objectName, std::string_view imageName, QWidget* parent) {
    auto* button = new PVButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(kIconSide + 8, kIconSide + 8);
    button->setIconSize(QSize(kIconSide, kIconSide));
    button->setPointingHandCursor(true);
    const QIcon icon = iconOf(std::string(imageName));
    button->setNormalImage(icon);
    button->setHoverImage(icon);
    button->setIcon(icon);
    return button;
}

void setTextColor(QLabel* label, std::string_view colorName) { setTextRgb(label, dashboard::color(colorName)); }

void setTextRgb(QLabel* label, const QColor& color) {
    // A style sheet, not the palette: inside an item view Qt would repaint the text in the
    // application's colours, which are the dark look's light ones in dark mode.
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(color.name(QColor::HexArgb)));
}

}  // namespace morvex::cellstyle
