#pragma once
// The drawn style of a layer-backed view: what a view's layer holds (background, corners and
// which of them are rounded, border, shadow, gradient sublayers, an image as contents), and how it
// is painted. Views set these fields when their layer updates and paint them first thing in their
// paintEvent; tests read them back.
//
// Corners are the layer's corner bits, named as on a layer whose y axis points up: 1 bottom-left,
// 2 bottom-right, 4 top-left, 8 top-right. So 12 rounds the two top corners, 3 the two bottom ones
// and 15 all four.
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

class QPainter;
class QPainterPath;
class QWidget;

namespace morvex {

namespace corners {
inline constexpr unsigned bottomLeft = 1;
inline constexpr unsigned bottomRight = 2;
inline constexpr unsigned topLeft = 4;
inline constexpr unsigned topRight = 8;
inline constexpr unsigned top = topLeft | topRight;           // 12
inline constexpr unsigned bottom = bottomLeft | bottomRight;  // 3
inline constexpr unsigned all = top | bottom;                 // 15
}  // namespace corners

// A linear gradient over the layer. Points are fractions of the layer's size with y pointing up
// (0 the bottom edge, 1 the top edge), as a gradient layer's start and end points are.
struct GradientLayer {
    std::vector<QColor> colors;
    std::vector<qreal> locations;  // empty: evenly spread
    QPointF startPoint{0.5, 0.0};
    QPointF endPoint{0.5, 1.0};
    // The rectangle the gradient spans, in the view's coordinates; empty: the view's bounds.
    QRectF frame;
};

struct Layer {
    std::optional<QColor> backgroundColor;
    qreal cornerRadius = 0;
    unsigned maskedCorners = corners::all;
    qreal borderWidth = 0;
    QColor borderColor = Qt::black;
    bool masksToBounds = false;
    // The shadow shows while its opacity is above 0. The offset's height points up.
    float shadowOpacity = 0;
    QSizeF shadowOffset{0, -3};
    qreal shadowRadius = 3;
    QColor shadowColor = Qt::black;
    // Sublayers, painted over the background in order.
    std::vector<GradientLayer> gradients;
    // An image filling the layer.
    std::optional<QImage> contents;
};

// The outline of `rect` with `radius` on the corners `mask` names (in a widget's y-down coordinates).
QPainterPath roundedPath(const QRectF& rect, qreal radius, unsigned mask);

// Paints background, gradients, contents and border of `layer` over `rect`.
void paintLayer(QPainter& painter, const QRectF& rect, const Layer& layer);

// Gives `widget` a drop shadow drawn from the layer's shadow fields (a graphics effect, so it may
// fall outside the widget), or takes it away when the opacity is 0.
void applyLayerShadow(QWidget& widget, const Layer& layer);

}  // namespace morvex
