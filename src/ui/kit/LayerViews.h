#pragma once
// Views that get their look from their layer (background, corners, border, shadow, gradient)
// instead of drawing code in the screens:
//  - CustomView: the general panel; CustomStackView: the same on a stack of views;
//  - CustomImageView: an image with shadow and corners;
//  - CustomBoxView: a box with a shadow and a thin dark-grey border; CustomBoxView2 (not a newer
//    version of it): a "BottomColor" card with corners of 12 and a soft shadow, no border;
//  - CustomGradientTopView: the dashboard's top area, coloured by the connection state;
//  - CustomTabView: a tab made of a title label (tag 2) and an indicator (tag 1);
//  - FlipView: a view whose origin is its top-left corner;
//  - BezierPathCurveView: a dashed curve that draws itself once and then lets its dashes run.
// Properties take effect when assigned; views that update their layer re-apply their properties
// to it before each paint and after a change between light and dark.
//
// Threads: main thread only.
#include <QBoxLayout>
#include <QIcon>
#include <QPainterPath>
#include <QPointer>
#include <QPointF>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appkit/Appearance.h"
#include "model/ZevuTypes.h"
#include "ui/kit/Layer.h"
#include "ui/kit/ThemedColor.h"

class QVariantAnimation;

namespace morvex {

// Tags name subviews, as interface files number them.
void setViewTag(QWidget* view, int tag);
int viewTag(const QWidget* view);  // -1 when untagged
// The view itself or the first descendant (depth first, in child order) with the tag.
QWidget* viewWithTag(QWidget* root, int tag);

// A view with a layer: it paints the layer under its children and hears appearance changes.
class LayerView : public QWidget {
    Q_OBJECT
public:
    explicit LayerView(QWidget* parent = nullptr);

    bool wantsLayer() const { return wantsLayer_; }
    void setWantsLayer(bool wants);
    const Layer& layer() const { return layer_; }
    Layer& mutableLayer() { return layer_; }

    // Views that answer true re-apply their properties through updateLayer before each paint.
    virtual bool wantsUpdateLayer() const { return false; }
    virtual void updateLayer() {}
    // After the view's appearance changed between light and dark.
    virtual void viewDidChangeEffectiveAppearance() {}

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Turns the layer's shadow on with these values (a new default shadow, then the values).
    void applyShadow(QSizeF offset, qreal radius, const QColor& color);

private:
    void checkAppearance();

    bool wantsLayer_ = false;
    Layer layer_;
    std::optional<appkit::Appearance> seen_;
};

// The corner, border and shadow properties a screen gives a layer view. Each view reads the ones
// it draws; the others are kept and take no part.
struct LayerStyle {
    qreal cornerRadius = 0;
    // Only the top corners (wins over bottomCorners), only the bottom ones, or with neither all four.
    bool topCorners = false;
    bool bottomCorners = false;
    bool leftCorners = false;  // kept, but no view rounds by it
    qreal borderWidth = 0;
    ThemedColor borderColor;
    bool shouldAddShadow = false;
    QSizeF shadowOffset{0, 0};
    qreal shadowRadius = 0;
    ThemedColor shadowColor = QColor::fromRgbF(0.1f, 0.1f, 0.1f, 1.0f);
};

// A layer view whose look comes from one LayerStyle. A corner or border property calls
// styleShapeChanged (by default: update the layer and repaint); a shadow property calls
// styleShadowChanged, but only while the shadow is asked for.
class StyledLayerView : public LayerView {
    Q_OBJECT
public:
    const LayerStyle& style() const { return style_; }
    qreal cornerRadius() const { return style_.cornerRadius; }

    void setCornerRadius(qreal radius) { setShape(&LayerStyle::cornerRadius, radius); }
    void setTopCorners(bool top) { setShape(&LayerStyle::topCorners, top); }
    void setBottomCorners(bool bottom) { setShape(&LayerStyle::bottomCorners, bottom); }
    void setLeftCorners(bool left) { setShape(&LayerStyle::leftCorners, left); }
    void setBorderWidth(qreal width) { setShape(&LayerStyle::borderWidth, width); }
    void setBorderColor(const ThemedColor& color) { setShape(&LayerStyle::borderColor, color); }
    void setShouldAddShadow(bool add) { setShadow(&LayerStyle::shouldAddShadow, add); }
    void setShadowOffset(QSizeF offset) { setShadow(&LayerStyle::shadowOffset, offset); }
    void setShadowRadius(qreal radius) { setShadow(&LayerStyle::shadowRadius, radius); }
    void setShadowColor(const ThemedColor& color) { setShadow(&LayerStyle::shadowColor, color); }

protected:
    explicit StyledLayerView(QWidget* parent = nullptr, LayerStyle initial = {});
    virtual void styleShapeChanged();
    virtual void styleShadowChanged() {}

private:
    template <class V>
    void setShape(V LayerStyle::*field, V value) {
        style_.*field = std::move(value);
        styleShapeChanged();
    }
    template <class V>
    void setShadow(V LayerStyle::*field, V value) {
        style_.*field = std::move(value);
        if (style_.shouldAddShadow) styleShadowChanged();
    }

    LayerStyle style_;
};

class CustomView : public StyledLayerView {
    Q_OBJECT
public:
    explicit CustomView(QWidget* parent = nullptr);

    const std::optional<ThemedColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<ThemedColor> color);

    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;
    void viewDidChangeEffectiveAppearance() override;

protected:
    void styleShadowChanged() override;

private:
    std::optional<ThemedColor> backgroundColor_;
};

// A row or column of views with the panel look of CustomView (no shadow).
class CustomStackView : public StyledLayerView {
    Q_OBJECT
public:
    explicit CustomStackView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    QBoxLayout* stack() const { return stack_; }
    void addArrangedSubview(QWidget* view) { stack_->addWidget(view); }

    const std::optional<ThemedColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<ThemedColor> color);

    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;

private:
    QBoxLayout* stack_;
    std::optional<ThemedColor> backgroundColor_;
};

// An image scaled to fit (keeping its aspect ratio), with shadow and corners. Corners show at the
// next run of the style (shadow on, a shadow value, an appearance change); the border width at once.
class CustomImageView : public StyledLayerView {
    Q_OBJECT
public:
    explicit CustomImageView(QWidget* parent = nullptr);

    QIcon image() const { return image_; }
    void setImage(const QIcon& image);

    qreal alphaVal() const { return alphaVal_; }
    void setAlphaVal(qreal alpha);

    // Shadow and corners from the style.
    void applyStyle();
    void viewDidChangeEffectiveAppearance() override;
    QSize sizeHint() const override { return {48, 48}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void styleShapeChanged() override;
    void styleShadowChanged() override { applyStyle(); }

private:
    QIcon image_;
    qreal alphaVal_ = 1.0;
};

// A box whose shadow comes with a thin dark-grey border.
class CustomBoxView : public LayerView {
    Q_OBJECT
public:
    explicit CustomBoxView(QWidget* parent = nullptr);
    bool isAddShadow() const { return isAddShadow_; }
    void setIsAddShadow(bool add);

private:
    bool isAddShadow_ = false;
};

// A card in "BottomColor" with corners of 12 (top, bottom or all four) and a soft shadow; unlike
// CustomBoxView it has no border. Its style starts with both corner flags set; the radius, border
// and shadow values of the style take no part.
class CustomBoxView2 : public StyledLayerView {
    Q_OBJECT
public:
    explicit CustomBoxView2(QWidget* parent = nullptr);

    // Kept, but the card always shows "BottomColor".
    const std::optional<ThemedColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<ThemedColor> color);
    QIcon backgroundImagee() const { return backgroundImage_; }
    void setBackgroundImagee(const QIcon& image);
    bool isAddShadow() const { return style().shouldAddShadow; }
    void setIsAddShadow(bool add) { setShouldAddShadow(add); }

    bool wantsUpdateLayer() const override { return true; }
    void updateLayer() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void styleShadowChanged() override;

private:
    std::optional<ThemedColor> backgroundColor_;
    QIcon backgroundImage_;
};

// The dashboard's top area: a vertical gradient chosen by the connection state (blue while
// disconnected, grey while connecting or connected, none in the states between).
class CustomGradientTopView : public LayerView {
    Q_OBJECT
public:
    explicit CustomGradientTopView(QWidget* parent = nullptr);

    qreal cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(qreal radius) { cornerRadius_ = radius; }
    ZevuConnectionState vpnState() const { return vpnState_; }
    // Re-colours at once.
    void setVpnState(ZevuConnectionState state);
    // Replaces the gradient (also after every layout).
    void applyGradient();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal cornerRadius_ = 0;
    ZevuConnectionState vpnState_ = ZevuConnectionState::Disconnected;
};

// A tab: its tag-2 label shows the title, its tag-1 view marks the selection.
class CustomTabView : public CustomStackView {
    Q_OBJECT
public:
    explicit CustomTabView(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);
    bool isSelected() const { return isSelected_; }
    void setIsSelected(bool selected);
    // A tab on a ground that is dark in both appearances (the country panel) takes the dark
    // look's title colours, so its text reads there in the light look too.
    void setOnDarkGround(bool dark);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applySelection();
    QColor titleColour(bool selected) const;
    bool isSelected_ = false;
    bool onDarkGround_ = false;
};

// Its origin is the top-left corner (every Qt widget's is; the kit keeps the name for screens
// that ask).
class FlipView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    bool isFlipped() const { return true; }
};

// A dashed curve from startPoint to endPoint that rises by `altitude`: armed with isFromDashboard,
// the next paint draws it over `duration`, then its dashes run without end. Both animations move
// only while the curve is visible on a shown, unminimised window, and pause where they are
// otherwise; a frame repaints the curve's own bounds.
class BezierPathCurveView : public QWidget {
    Q_OBJECT
public:
    explicit BezierPathCurveView(QWidget* parent = nullptr);
    ~BezierPathCurveView() override;

    struct ShapeLayer {
        QPainterPath path;
        QColor strokeColor;
        qreal lineWidth = 0;
        std::vector<qreal> dashPattern;
        qreal strokeEnd = 0;
        qreal lineDashPhase = 0;
        std::vector<std::string> animationKeys;  // "lineDrawing", then "dash"
    };

    QPointF startPoint;
    QPointF endPoint;
    QColor color = Qt::black;
    qreal duration = 2.0;  // seconds
    qreal altitude = 20.0;
    qreal thickness = 3.0;
    std::vector<qreal> dashPattern{4, 4};
    bool isFromDashboard = false;

    const ShapeLayer* shapeLayer() const { return shapeLayer_.get(); }
    // True while one of its animations is moving (false while paused or before it is armed).
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void drawCurve();
    bool isOnScreen() const;
    // Pauses or resumes the running animations for whether the curve can be seen.
    void syncAnimations();
    void updateCurve();

    std::unique_ptr<ShapeLayer> shapeLayer_;
    QPointer<QVariantAnimation> drawing_;
    QPointer<QVariantAnimation> dashes_;
    QPointer<QWidget> watchedWindow_;
};

}  // namespace morvex
