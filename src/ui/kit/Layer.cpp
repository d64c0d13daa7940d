#include "ui/kit/Layer.h"

#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>

namespace morvex {

QPainterPath roundedPath(const QRectF& rect, qreal radius, unsigned mask) {
    QPainterPath path;
    const qreal r = std::clamp<qreal>(radius, 0, std::min(rect.width(), rect.height()) / 2);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    // Widget coordinates have y pointing down: the layer's "top" corners are at rect.top().
    const qreal tl = (mask & corners::topLeft) ? r : 0;
    const qreal tr = (mask & corners::topRight) ? r : 0;
    const qreal br = (mask & corners::bottomRight) ? r : 0;
    const qreal bl = (mask & corners::bottomLeft) ? r : 0;
    path.moveTo(rect.left() + tl, rect.top());
    path.lineTo(rect.right() - tr, rect.top());
    if (tr > 0) path.arcTo(QRectF(rect.right() - 2 * tr, rect.top(), 2 * tr, 2 * tr), 90, -90);
    path.lineTo(rect.right(), rect.bottom() - br);
    if (br > 0) path.arcTo(QRectF(rect.right() - 2 * br, rect.bottom() - 2 * br, 2 * br, 2 * br), 0, -90);
    path.lineTo(rect.left() + bl, rect.bottom());
    if (bl > 0) path.arcTo(QRectF(rect.left(), rect.bottom() - 2 * bl, 2 * bl, 2 * bl), 270, -90);
    path.lineTo(rect.left(), rect.top() + tl);
    if (tl > 0) path.arcTo(QRectF(rect.left(), rect.top(), 2 * tl, 2 * tl), 180, -90);
    path.closeSubpath();
    return path;
}

void paintLayer(QPainter& painter, const QRectF& rect, const Layer& layer) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = roundedPath(rect, layer.cornerRadius, layer.maskedCorners);
    if (layer.backgroundColor && layer.backgroundColor->alpha() > 0) painter.fillPath(outline, *layer.backgroundColor);
    painter.setClipPath(outline, Qt::IntersectClip);
    for (const GradientLayer& g : layer.gradients) {
        if (g.colors.empty()) continue;
        const QRectF area = g.frame.isEmpty() ? rect : g.frame;
        auto at = [&](QPointF unit) {
            return QPointF(area.left() + unit.x() * area.width(), area.bottom() - unit.y() * area.height());
        };
        QLinearGradient gradient(at(g.startPoint), at(g.endPoint));
        for (std::size_t i = 0; i < g.colors.size(); ++i) {
            const qreal stop = i < g.locations.size() ? g.locations[i]
                               : g.colors.size() == 1 ? 0.0
                                                      : qreal(i) / qreal(g.colors.size() - 1);
            gradient.setColorAt(std::clamp<qreal>(stop, 0, 1), g.colors[i]);
        }
        painter.fillRect(rect, gradient);
    }
    if (layer.contents && !layer.contents->isNull()) painter.drawImage(rect, *layer.contents);
    painter.setClipping(false);
    if (layer.borderWidth > 0 && layer.borderColor.alpha() > 0) {
        // The border lies inside the bounds, as a layer's does.
        const qreal half = layer.borderWidth / 2;
        const QRectF inner = rect.adjusted(half, half, -half, -half);
        painter.setPen(QPen(layer.borderColor, layer.borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(roundedPath(inner, std::max<qreal>(0, layer.cornerRadius - half), layer.maskedCorners));
    }
    painter.restore();
}

void applyLayerShadow(QWidget& widget, const Layer& layer) {
    auto* current = qobject_cast<QGraphicsDropShadowEffect*>(widget.graphicsEffect());
    if (layer.shadowOpacity <= 0) {
        if (current) widget.setGraphicsEffect(nullptr);
        return;
    }
    if (!current) {
        current = new QGraphicsDropShadowEffect(&widget);
        widget.setGraphicsEffect(current);
    }
    QColor color = layer.shadowColor;
    color.setAlphaF(color.alphaF() * std::clamp(layer.shadowOpacity, 0.0f, 1.0f));
    current->setColor(color);
    // A layer's shadow radius is the blur's spread on each side; the effect's radius is its width.
    current->setBlurRadius(layer.shadowRadius * 2);
    current->setOffset(layer.shadowOffset.width(), -layer.shadowOffset.height());
}

}  // namespace morvex
