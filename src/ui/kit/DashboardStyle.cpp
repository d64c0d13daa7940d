#include "ui/kit/DashboardStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "appkit/Application.h"
#include "appkit/Colors.h"
#include "appkit/Images.h"

namespace morvex::dashboard {

QPixmap roundFlag(std::string_view imageName, int side, QColor border) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap out(QSize(side, side) * ratio);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::transparent);
    if (imageName.empty()) return out;
    // Square flags, drawn larger than the circle so the circle is filled edge to edge.
    const QPixmap flag = appkit::imageNamed(imageName, QSize(side, side));
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(0.75, 0.75, side - 1.5, side - 1.5);
    QPainterPath clip;
    clip.addEllipse(circle);
    painter.setClipPath(clip);
    painter.drawPixmap(QRectF(0, 0, side, side), flag, flag.rect());
    painter.setClipping(false);
    painter.setPen(QPen(border, 1.5));
    painter.drawEllipse(circle);
    return out;
}

QColor flagBorderColor() {
    // The main window, where the dashboard lives, draws in the application's appearance; in dark
    // the flags take a white ring.
    if (appkit::Application::shared().effectiveAppearance() == appkit::Appearance::DarkAqua) return Qt::white;
    return appkit::colorNamed("FlagBorderLight", appkit::Appearance::Aqua, QColor(34, 47, 56));
}

QFont font(int pointSize, QFont::Weight weight) {
    QFont f = QApplication::font();
    f.setPixelSize(pointSize);
    f.setWeight(weight);
    return f;
}

QColor color(std::string_view name) { return appkit::colorNamed(name, appkit::Application::shared().effectiveAppearance()); }

}  // namespace morvex::dashboard
