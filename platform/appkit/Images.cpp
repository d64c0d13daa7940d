#include "appkit/Images.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <filesystem>
#include <fstream>
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

// The build draws the images of the first window at the sizes it shows them into
// Resources/Rasters/<name>@<width>x<height>.argb, with the same engine and call as below: the
// drawing's width and height (32-bit each), then its premultiplied ARGB pixels, in the machine's
// byte order. Reading one spares the start the SVG engine and the image format plugins. They hold
// one device pixel per pixel, so a screen that scales draws the SVG instead.
QPixmap rasterNamed(std::string_view name, QSize size, const Bundle& bundle) {
    if (!qGuiApp || !size.isValid() || size.isEmpty() || qGuiApp->devicePixelRatio() != 1.0) return {};
    const auto file = bundle.resourcePath() / "Rasters" /
                      (std::string(name) + "@" + std::to_string(size.width()) + "x" + std::to_string(size.height()) + ".argb");
    std::ifstream stream(file, std::ios::binary);
    std::uint32_t header[2] = {0, 0};
    if (!stream || !stream.read(reinterpret_cast<char*>(header), sizeof header)) return {};
    // A drawing larger than the size asked for, or of another length, is not one of ours.
    if (header[0] == 0 || header[1] == 0 || header[0] > std::uint32_t(size.width()) || header[1] > std::uint32_t(size.height()))
        return {};
    QImage image(static_cast<int>(header[0]), static_cast<int>(header[1]), QImage::Format_ARGB32_Premultiplied);
    // 32-bit rows are never padded: the pixels are one block, read in one read.
    if (image.isNull() || !stream.read(reinterpret_cast<char*>(image.bits()), static_cast<std::streamsize>(image.sizeInBytes())))
        return {};
    if (stream.peek() != std::ifstream::traits_type::eof()) return {};
    return QPixmap::fromImage(std::move(image));
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
        if (QPixmap drawn = rasterNamed(name, size, bundle); !drawn.isNull()) return drawn;
        QIcon icon(QString::fromStdString(path->string()));
        QPixmap pixmap = icon.pixmap(size);
        if (!pixmap.isNull()) return pixmap;
    }
    reportMissing(name, bundle);
    return missingImage(size);
}

}  // namespace morvex::appkit
