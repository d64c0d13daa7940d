#include "ui/kit/LayerViews.h"

#include <QEasingCurve>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <numeric>

#include "ui/kit/Fonts.h"

namespace morvex {

namespace {
constexpr const char* kTagProperty = "morvexViewTag";
}

void setViewTag(QWidget* view, int tag) {
    if (view) view->setProperty(kTagProperty, tag);
}

int viewTag(const QWidget* view) {
    const QVariant tag = view ? view->property(kTagProperty) : QVariant();
    return tag.isValid() ? tag.toInt() : -1;
}

QWidget* viewWithTag(QWidget* root, int tag) {
    if (!root) return nullptr;
    if (viewTag(root) == tag) return root;
    for (QObject* child : root->children()) {
        if (auto* w = qobject_cast<QWidget*>(child)) {
            if (QWidget* found = viewWithTag(w, tag)) return found;
        }
    }
    return nullptr;
}

// ---- LayerView

LayerView::LayerView(QWidget* parent) : QWidget(parent) { seen_ = effectiveAppearance(this); }

void LayerView::setWantsLayer(bool wants) {
    if (wantsLayer_ == wants) return;
    wantsLayer_ = wants;
    update();
}

void LayerView::paintEvent(QPaintEvent*) {
    if (wantsUpdateLayer()) updateLayer();
    if (!wantsLayer_) return;
    QPainter painter(this);
    paintLayer(painter, rect(), layer_);
}

void LayerView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) checkAppearance();
}

void LayerView::checkAppearance() {
    const appkit::Appearance now = effectiveAppearance(this);
    const bool changed = seen_ && *seen_ != now;
    seen_ = now;
    if (changed) viewDidChangeEffectiveAppearance();
    update();
}

void LayerView::applyShadow(QSizeF offset, qreal radius, const QColor& color) {
    // A new default shadow switches the layer's shadow on; the values follow.
    layer_.shadowOpacity = 1;
    layer_.shadowOffset = offset;
    layer_.shadowRadius = radius;
    layer_.shadowColor = color;
    applyLayerShadow(*this, layer_);
}

// ---- StyledLayerView

StyledLayerView::StyledLayerView(QWidget* parent, LayerStyle initial) : LayerView(parent), style_(std::move(initial)) {}

void StyledLayerView::styleShapeChanged() {
    updateLayer();
    update();
}

// ---- CustomView

namespace {
// The layer update CustomView and CustomStackView share.
void updatePanelLayer(LayerView& view, const std::optional<ThemedColor>& background, const LayerStyle& style) {
    Layer& layer = view.mutableLayer();
    layer.backgroundColor = background ? std::optional<QColor>(background->resolve(&view)) : std::nullopt;
    view.setWantsLayer(true);
    layer.borderWidth = style.borderWidth;
    layer.borderColor = style.borderColor.resolve(&view);
    layer.cornerRadius = style.cornerRadius;
    if (style.topCorners) layer.maskedCorners = corners::top;
    else if (style.bottomCorners) layer.maskedCorners = corners::bottom;
    // With neither flag the mask stays as it was (all four unless a flag set it before).
}
}  // namespace

CustomView::CustomView(QWidget* parent) : StyledLayerView(parent) { setWantsLayer(true); }

void CustomView::setBackgroundColor(std::optional<ThemedColor> color) {
    backgroundColor_ = std::move(color);
    update();
}

void CustomView::styleShadowChanged() {
    applyShadow(style().shadowOffset, style().shadowRadius, style().shadowColor.resolve(this));
}

void CustomView::updateLayer() { updatePanelLayer(*this, backgroundColor_, style()); }

void CustomView::viewDidChangeEffectiveAppearance() {
    if (style().shouldAddShadow) styleShadowChanged();
}

// ---- CustomStackView

CustomStackView::CustomStackView(Qt::Orientation orientation, QWidget* parent)
    : StyledLayerView(parent),
      stack_(new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->setSpacing(8);
    setWantsLayer(true);
}

void CustomStackView::setBackgroundColor(std::optional<ThemedColor> color) {
    backgroundColor_ = std::move(color);
    update();
}

void CustomStackView::updateLayer() { updatePanelLayer(*this, backgroundColor_, style()); }

// ---- CustomImageView

CustomImageView::CustomImageView(QWidget* parent) : StyledLayerView(parent) { setWantsLayer(true); }

void CustomImageView::setImage(const QIcon& image) {
    image_ = image;
    update();
}

void CustomImageView::setAlphaVal(qreal alpha) {
    alphaVal_ = alpha;
    update();
}

void CustomImageView::styleShapeChanged() {
    // The border shows at once; the corners wait for the style.
    mutableLayer().borderWidth = style().borderWidth;
    update();
}

void CustomImageView::applyStyle() {
    const LayerStyle& s = style();
    applyShadow(s.shadowOffset, s.shadowRadius, s.shadowColor.resolve(this));
    Layer& layer = mutableLayer();
    if (s.topCorners) {
        layer.cornerRadius = s.cornerRadius;
        layer.maskedCorners = s.bottomCorners ? corners::all : corners::top;
    } else if (s.bottomCorners) {
        layer.cornerRadius = s.cornerRadius;
        layer.maskedCorners = corners::bottom;
    }
    // With neither flag no radius is set: the corners stay as they are.
    update();
}

void CustomImageView::viewDidChangeEffectiveAppearance() { applyStyle(); }

void CustomImageView::paintEvent(QPaintEvent* event) {
    LayerView::paintEvent(event);
    if (image_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(alphaVal_);
    painter.setClipPath(roundedPath(rect(), layer().cornerRadius, layer().maskedCorners));
    // Scaled down (never up past the view) keeping the aspect ratio, centred.
    const QSize available = size();
    QSize natural = image_.actualSize(QSize(4096, 4096));
    if (natural.isEmpty()) natural = available;
    const QSize drawn = natural.scaled(available, Qt::KeepAspectRatio);
    const QRect at((width() - drawn.width()) / 2, (height() - drawn.height()) / 2, drawn.width(), drawn.height());
    image_.paint(&painter, at);
}

// ---- CustomBoxView

CustomBoxView::CustomBoxView(QWidget* parent) : LayerView(parent) { setWantsLayer(true); }

void CustomBoxView::setIsAddShadow(bool add) {
    isAddShadow_ = add;
    if (!add) return;
    // The default shadow: black at a third, no offset, no blur.
    applyShadow(QSizeF(0, 0), 0, QColor(0, 0, 0, 85));
    mutableLayer().borderWidth = 0.5;
    mutableLayer().borderColor = QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);
    update();
}

// ---- CustomBoxView2

namespace {
LayerStyle cardStyle() {
    LayerStyle style;
    style.topCorners = true;
    style.bottomCorners = true;
    return style;
}
}  // namespace

CustomBoxView2::CustomBoxView2(QWidget* parent) : StyledLayerView(parent, cardStyle()) {
    setWantsLayer(true);
    updateLayer();
}

void CustomBoxView2::setBackgroundColor(std::optional<ThemedColor> color) {
    backgroundColor_ = std::move(color);
    update();
}

void CustomBoxView2::setBackgroundImagee(const QIcon& image) {
    backgroundImage_ = image;
    if (image.isNull()) mutableLayer().contents.reset();
    else mutableLayer().contents = image.pixmap(size().isEmpty() ? QSize(64, 64) : size()).toImage();
    update();
}

void CustomBoxView2::styleShadowChanged() { applyShadow(QSizeF(0, 0), 20, QColor::fromRgbF(0, 0, 0, 0.08f)); }

void CustomBoxView2::updateLayer() {
    Layer& layer = mutableLayer();
    if (ThemedColor::bundleHasColor("BottomColor")) {
        layer.backgroundColor = ThemedColor::colorNamed("BottomColor").resolve(this);
    } else {
        layer.backgroundColor.reset();
    }
    setWantsLayer(true);
    const bool top = style().topCorners, bottom = style().bottomCorners;
    if (top || bottom) {
        layer.cornerRadius = 12;
        layer.maskedCorners = top && bottom ? corners::all : top ? corners::top : corners::bottom;
    }
}

void CustomBoxView2::resizeEvent(QResizeEvent* event) {
    LayerView::resizeEvent(event);
    if (!backgroundImage_.isNull()) mutableLayer().contents = backgroundImage_.pixmap(size()).toImage();
}

// ---- CustomGradientTopView

CustomGradientTopView::CustomGradientTopView(QWidget* parent) : LayerView(parent) {
    setWantsLayer(true);
    applyGradient();
}

void CustomGradientTopView::setVpnState(ZevuConnectionState state) {
    vpnState_ = state;
    applyGradient();
}

void CustomGradientTopView::applyGradient() {
    Layer& layer = mutableLayer();
    // Only one gradient is ever present: the new one replaces any earlier.
    layer.gradients.clear();
    GradientLayer g;
    g.startPoint = {0.5, 1.0};  // the first colour at the top
    g.endPoint = {0.5, 0.0};
    switch (vpnState_) {
    case ZevuConnectionState::Connected:
    case ZevuConnectionState::Connecting:
        g.colors = {QColor(90, 96, 103), QColor(62, 66, 69)};
        break;
    case ZevuConnectionState::Disconnected:
    case ZevuConnectionState::UnableToConnect:
        g.colors = {QColor(71, 114, 165), QColor(138, 192, 255)};
        break;
    case ZevuConnectionState::Redialing:
    case ZevuConnectionState::Disconnecting:
    case ZevuConnectionState::UnableToBrowse:
        break;
    }
    // A gradient without colours would only be a transparent layer: the states between show none.
    if (!g.colors.empty()) layer.gradients.insert(layer.gradients.begin(), g);
    layer.cornerRadius = cornerRadius_;
    layer.masksToBounds = true;
    update();
}

void CustomGradientTopView::resizeEvent(QResizeEvent* event) {
    LayerView::resizeEvent(event);
    applyGradient();
}

// ---- CustomTabView

CustomTabView::CustomTabView(Qt::Orientation orientation, QWidget* parent) : CustomStackView(orientation, parent) {}

void CustomTabView::setIsSelected(bool selected) {
    isSelected_ = selected;
    applySelection();
}

void CustomTabView::applySelection() {
    auto* label = qobject_cast<QLabel*>(viewWithTag(this, 2));
    if (!label) return;  // a tab without its title label cannot show a selection
    label->setFont(systemFont(12));
    const QColor color = titleColour(isSelected_);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    if (QWidget* indicator = viewWithTag(this, 1)) {
        // The title stays where it is whether the indicator shows or not.
        QSizePolicy policy = indicator->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        indicator->setSizePolicy(policy);
        indicator->setVisible(isSelected_);
    }
}

void CustomTabView::setOnDarkGround(bool dark) {
    onDarkGround_ = dark;
    applySelection();
}

QColor CustomTabView::titleColour(bool selected) const {
    const ThemedColor colour = ThemedColor::colorNamed(selected ? "ThemeColor" : "TabText");
    return onDarkGround_ ? colour.resolve(appkit::Appearance::DarkAqua) : colour.resolve(this);
}

void CustomTabView::changeEvent(QEvent* event) {
    CustomStackView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && isSelected_) {
        // The theme colour of the new appearance.
        auto* label = qobject_cast<QLabel*>(viewWithTag(this, 2));
        if (label && label->palette().color(QPalette::WindowText) != titleColour(true)) applySelection();
    }
}

// ---- BezierPathCurveView

BezierPathCurveView::BezierPathCurveView(QWidget* parent) : QWidget(parent) {}

BezierPathCurveView::~BezierPathCurveView() {
    delete drawing_;
    delete dashes_;
}

void BezierPathCurveView::drawCurve() {
    isFromDashboard = false;
    delete drawing_;
    delete dashes_;
    shapeLayer_.reset();

    QPainterPath path(startPoint);
    const QPointF control((startPoint.x() + endPoint.x()) / 2, startPoint.y() + altitude);
    path.cubicTo(control, control, endPoint);

    auto shape = std::make_unique<ShapeLayer>();
    shape->path = path;
    shape->strokeColor = color;
    shape->lineWidth = thickness;
    shape->dashPattern = dashPattern;
    shape->strokeEnd = 0;
    shapeLayer_ = std::move(shape);

    const int ms = int(duration * 1000);
    auto* drawing = new QVariantAnimation(this);
    drawing->setStartValue(0.0);
    drawing->setEndValue(1.0);
    drawing->setDuration(ms);
    QEasingCurve easeInOut(QEasingCurve::BezierSpline);
    easeInOut.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    drawing->setEasingCurve(easeInOut);
    connect(drawing, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        if (shapeLayer_) shapeLayer_->strokeEnd = v.toReal();
        updateCurve();
    });
    shapeLayer_->animationKeys.push_back("lineDrawing");
    drawing->start();
    drawing_ = drawing;
    syncAnimations();

    // Once the line is drawn its dashes keep moving, one pattern length per `duration`.
    connect(drawing, &QAbstractAnimation::finished, this, [this, ms] {
        if (!shapeLayer_) return;
        const auto& pattern = shapeLayer_->dashPattern;
        const qreal length = std::accumulate(pattern.begin(), pattern.end(), qreal(0));
        auto* dashes = new QVariantAnimation(this);
        dashes->setStartValue(length);
        dashes->setEndValue(0.0);
        dashes->setDuration(ms);
        dashes->setLoopCount(-1);
        connect(dashes, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            if (shapeLayer_) shapeLayer_->lineDashPhase = v.toReal();
            updateCurve();
        });
        shapeLayer_->animationKeys.push_back("dash");
        dashes->start();
        dashes_ = dashes;
        syncAnimations();
    });
}

bool BezierPathCurveView::isOnScreen() const {
    if (!isVisible()) return false;
    const QWidget* top = window();
    return top && !top->isMinimized();
}

bool BezierPathCurveView::isAnimating() const {
    const auto running = [](const QVariantAnimation* a) { return a && a->state() == QAbstractAnimation::Running; };
    return running(drawing_) || running(dashes_);
}

void BezierPathCurveView::syncAnimations() {
    const bool seen = isOnScreen();
    for (QVariantAnimation* a : {drawing_.data(), dashes_.data()}) {
        if (!a) continue;
        if (!seen && a->state() == QAbstractAnimation::Running) a->pause();
        else if (seen && a->state() == QAbstractAnimation::Paused) a->resume();
    }
}

void BezierPathCurveView::updateCurve() {
    if (!shapeLayer_) return update();
    // The curve is drawn with y pointing up; its bounds, flipped, plus the pen's width.
    QRectF bounds = shapeLayer_->path.boundingRect();
    bounds = QRectF(bounds.left(), height() - bounds.bottom(), bounds.width(), bounds.height());
    const qreal pen = shapeLayer_->lineWidth / 2 + 2;
    update(bounds.adjusted(-pen, -pen, pen, pen).toAlignedRect());
}

void BezierPathCurveView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QWidget* top = window();
    if (top != watchedWindow_) {
        if (watchedWindow_) watchedWindow_->removeEventFilter(this);
        watchedWindow_ = top;
        if (top && top != this) top->installEventFilter(this);
    }
    syncAnimations();
}

void BezierPathCurveView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    syncAnimations();
}

void BezierPathCurveView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) syncAnimations();  // the curve is its own window
}

bool BezierPathCurveView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange) syncAnimations();
    return QWidget::eventFilter(watched, event);
}

void BezierPathCurveView::paintEvent(QPaintEvent*) {
    if (isFromDashboard) drawCurve();
    if (!shapeLayer_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The view's y axis points down; the curve's points are given with y pointing up.
    painter.translate(0, height());
    painter.scale(1, -1);
    QPen pen(shapeLayer_->strokeColor, shapeLayer_->lineWidth);
    if (!shapeLayer_->dashPattern.empty() && shapeLayer_->lineWidth > 0) {
        QList<qreal> dashes;
        for (qreal d : shapeLayer_->dashPattern) dashes << d / shapeLayer_->lineWidth;
        pen.setDashPattern(dashes);
        pen.setDashOffset(shapeLayer_->lineDashPhase / shapeLayer_->lineWidth);
    }
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The part of the curve drawn so far.
    const qreal end = std::clamp<qreal>(shapeLayer_->strokeEnd, 0, 1);
    if (end <= 0) return;
    QPainterPath partial(shapeLayer_->path.pointAtPercent(0));
    const int steps = 64;
    for (int i = 1; i <= steps; ++i) partial.lineTo(shapeLayer_->path.pointAtPercent(end * i / steps));
    painter.drawPath(partial);
}

}  // namespace morvex
