#include "ui/locations/LocationsCellStyle.h"

#include <QLabel>
#include <any>

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

QLabel* flagView(QWidget* parent) {
    auto* flag = new QLabel(parent);
    flag->setObjectName(QStringLiteral("imgView"));
    flag->setFixedSize(kFlagSide, kFlagSide);
    return flag;
}

QLabel* titleLabel(QWidget* parent, int pointSize) {
    auto* title = new QLabel(parent);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->setFont(dashboard::font(pointSize));
    // A long name is cut at the row's end rather than widening the list.
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextColor(title, "HeadingText");
    return title;
}

QLabel* p2pTag(QWidget* parent) {
    auto* tag = new QLabel(QStringLiteral("P2P"), parent);
    tag->setObjectName(QStringLiteral("p2pTag"));
    tag->setFont(dashboard::font(11, QFont::DemiBold));
    tag->setAlignment(Qt::AlignCenter);
    tag->setFixedHeight(18);
    tag->setStyleSheet(QStringLiteral("color: %1; border: 1px solid %1; border-radius: 4px; padding: 0 4px;")
                           .arg(dashboard::color("ThemeColor").name()));
    return tag;
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

void showLocation(const ZevuDataFetcherTypes::ServerPtr& server, QLabel* flag, QLabel* title) {
    flag->clear();
    title->clear();
    if (!server) return;
    if (const auto name = transformers::flagImageName(std::any(server->code)))
        flag->setPixmap(dashboard::roundFlag(*name, kFlagSide, dashboard::flagBorderColor()));
    title->setText(QString::fromStdString(transformers::serverName(std::any(server)).value_or("")));
}

void showFavorite(PVButton* button, bool favorite) {
    const QIcon shown = iconOf(transformers::favoriteImageName(std::any(favorite)));
    button->setNormalImage(shown);
    button->setHoverImage(favorite ? shown : iconOf(std::string("LocationsFavoriteUnfilledHovered")));
    button->setIcon(shown);
}

}  // namespace morvex::cellstyle
