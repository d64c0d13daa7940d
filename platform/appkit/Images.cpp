#include "appkit/Images.h"

#include <QPainter>
#include <mutex>
#include <set>
#include <string>

#include "foundation/BundleResources.h"
#include "foundation/Log.h"

namespace morvex::appkit {

namespace {
void reportMissing(std::string_view name, const Bundle& bundle) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (!reported.emplace(name).second) return;
    log::nslog("Images: no image named \"" + std::string(name) + "\" in " + bundle.resourcePath().string());
}
}  // namespace

QPixmap missingImage(QSize size) {
    if (!size.isValid() || size.isEmpty()) size = QSize(16, 16);
    QPixmap pixmap(size);
    pixmap.fill(QColor(0xf2, 0xf2, 0xf2));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0xd0, 0x30, 0x30));
    pen.setWidthF(std::max(1.0, size.width() / 24.0));
    p.setPen(pen);
    const QRectF r = QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.drawRect(r);
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
    return pixmap;
}

QIcon imageNamed(std::string_view name, const Bundle& bundle) {
    if (auto path = morvex::imageNamed(name, bundle)) {
        QIcon icon(QString::fromStdString(path->string()));
        if (!icon.isNull()) return icon;
    }
    reportMissing(name, bundle);
    return QIcon(missingImage(QSize(64, 64)));
}

QPixmap imageNamed(std::string_view name, QSize size, const Bundle& bundle) {
    if (auto path = morvex::imageNamed(name, bundle)) {
        QIcon icon(QString::fromStdString(path->string()));
        QPixmap pixmap = icon.pixmap(size);
        if (!pixmap.isNull()) return pixmap;
    }
    reportMissing(name, bundle);
    return missingImage(size);
}

}  // namespace morvex::appkit
