#pragma once
// The window's buttons, styled through their properties rather than by drawing code in screens:
//  - PVButton: swaps its image while the pointer is over it, optional rounded corners, title
//    colour and pointing-hand cursor;
//  - CustomButton: a flat background colour, corners rounded from its height, an optional blue
//    gradient;
//  - SupportButton: a tab or link button whose background shows `currentColor`, which the owner of
//    a row of them switches between each button's selected and deselected colour;
//  - TabButton: a tab with selected and normal title colours, backgrounds and leading images, and
//    a count badge.
// Each property takes effect when it is assigned, so the order of assignment matters as it would
// in an interface file. Images are icons (a null icon is "no image").
//
// Threads: main thread only.
#include <QAbstractButton>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <optional>
#include <vector>

#include "ui/kit/Layer.h"
#include "ui/kit/ThemedColor.h"


namespace morvex {

// The common drawing of the kit's buttons: the layer (when the button is layer-backed), then the
// image and the title side by side, in the title style when one is set (else the palette's button
// text, centred).
class KitButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit KitButton(QWidget* parent = nullptr);

    // Layer-backed buttons paint their layer under the content.
    bool wantsLayer() const { return wantsLayer_; }
    void setWantsLayer(bool wants);
    const Layer& layer() const { return layer_; }
    // Re-applies the properties to the layer (also after an appearance change).
    virtual void updateLayer() {}

    // The styled title: colour and alignment applied to whatever the title reads.
    struct TitleStyle {
        QColor color;
        Qt::Alignment alignment = Qt::AlignHCenter;
    };
    const std::optional<TitleStyle>& titleStyle() const { return titleStyle_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void setTitleStyle(std::optional<TitleStyle> style);
    Layer& mutableLayer() { return layer_; }

private:
    bool wantsLayer_ = false;
    Layer layer_;
    std::optional<TitleStyle> titleStyle_;
};

// Hover styling of a control: whether it follows the pointer, its images out and in, and the two
// moments.
class Hoverable {
public:
    virtual ~Hoverable() = default;
    virtual bool hoverable() const = 0;
    virtual void setHoverable(bool hoverable) = 0;
    virtual QIcon normalImage() const = 0;
    virtual void setNormalImage(const QIcon& image) = 0;
    virtual QIcon hoverImage() const = 0;
    virtual void setHoverImage(const QIcon& image) = 0;
    virtual void mouseEntered() = 0;
    virtual void mouseExited() = 0;
};

// The area a button watches the pointer in. 545 = entered-and-exited, active in the key window,
// in the visible rectangle.
struct TrackingArea {
    QRect rect;
    unsigned options = 545;
};

class PVButton : public KitButton, public Hoverable {
    Q_OBJECT
public:
    explicit PVButton(QWidget* parent = nullptr);

    // True (the default) watches the pointer with one tracking area; false removes the first.
    bool hoverable() const override { return hoverable_; }
    void setHoverable(bool hoverable) override;
    const std::vector<TrackingArea>& trackingAreas() const { return trackingAreas_; }
    void addTrackingArea(const TrackingArea& area) { trackingAreas_.push_back(area); }

    // With true, a click shows normalImage again before the action runs.
    bool revertOnClick() const { return revertOnClick_; }
    void setRevertOnClick(bool revert) { revertOnClick_ = revert; }
    QIcon normalImage() const override { return normalImage_; }
    void setNormalImage(const QIcon& image) override { normalImage_ = image; }
    QIcon hoverImage() const override { return hoverImage_; }
    void setHoverImage(const QIcon& image) override { hoverImage_ = image; }

    qreal cornerRadius() const { return layer().cornerRadius; }
    void setCornerRadius(qreal radius);
    // The title's colour (centred); none keeps the platform's style.
    const std::optional<ThemedColor>& titleColor() const { return titleColor_; }
    void setTitleColor(std::optional<ThemedColor> color);
    bool pointingHandCursor() const { return pointingHandCursor_; }
    void setPointingHandCursor(bool pointing);
    const std::optional<ThemedColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<ThemedColor> color);

    QString title() const { return text(); }
    void setTitle(const QString& title);

    // The image the button shows now.
    QIcon image() const { return icon(); }

    void mouseEntered() override;
    void mouseExited() override;
    void updateLayer() override;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void restyleTitle();

    bool hoverable_ = true;
    bool revertOnClick_ = false;
    QIcon normalImage_;
    QIcon hoverImage_;
    std::optional<ThemedColor> titleColor_;
    bool pointingHandCursor_ = false;
    std::optional<ThemedColor> backgroundColor_;
    std::vector<TrackingArea> trackingAreas_;
};

class CustomButton : public KitButton {
    Q_OBJECT
public:
    explicit CustomButton(QWidget* parent = nullptr);

    const std::optional<ThemedColor>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<ThemedColor> color);
    // True rounds the corners with a tenth of the height (and keeps following the height while
    // it stays true); false leaves the radius as it is.
    bool roundCorners() const { return roundCorners_; }
    void setRoundCorners(bool round);
    // True adds the blue gradient, once; it stays for the button's life.
    bool enableGradient() const { return enableGradient_; }
    void setEnableGradient(bool enable);

    void updateLayer() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::optional<ThemedColor> backgroundColor_;
    bool roundCorners_ = false;
    bool enableGradient_ = false;
    bool gradientAdded_ = false;
};

class SupportButton : public KitButton {
    Q_OBJECT
public:
    explicit SupportButton(QWidget* parent = nullptr);

    const std::optional<ThemedColor>& selectedColor() const { return selectedColor_; }
    void setSelectedColor(std::optional<ThemedColor> color);
    const std::optional<ThemedColor>& deselectedColor() const { return deselectedColor_; }
    void setDeselectedColor(std::optional<ThemedColor> color);
    // The radius that roundCorners applies.
    qreal round() const { return round_; }
    void setRound(qreal radius) { round_ = radius; }
    bool roundCorners() const { return roundCorners_; }
    void setRoundCorners(bool round);
    // What the background shows; clear until the owner sets it.
    const ThemedColor& currentColor() const { return currentColor_; }
    void setCurrentColor(const ThemedColor& color);

    void updateLayer() override;

private:
    std::optional<ThemedColor> selectedColor_;
    std::optional<ThemedColor> deselectedColor_;
    qreal round_ = 0;
    bool roundCorners_ = false;
    ThemedColor currentColor_;
};

class TabButton : public KitButton {
    Q_OBJECT
public:
    explicit TabButton(QWidget* parent = nullptr);

    bool selected() const { return selected_; }
    void setSelected(bool selected);
    const ThemedColor& titleColor() const { return titleColor_; }
    void setTitleColor(const ThemedColor& color) { titleColor_ = color; }
    const ThemedColor& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const ThemedColor& color) { backgroundColor_ = color; }
    QIcon leadingImage() const { return leadingImage_; }
    void setLeadingImage(const QIcon& image);
    const ThemedColor& selectedTitleColor() const { return selectedTitleColor_; }
    void setSelectedTitleColor(const ThemedColor& color) { selectedTitleColor_ = color; }
    const ThemedColor& selectedBackgroundColor() const { return selectedBackgroundColor_; }
    void setSelectedBackgroundColor(const ThemedColor& color) { selectedBackgroundColor_ = color; }
    QIcon selectedLeadingImage() const { return selectedLeadingImage_; }
    void setSelectedLeadingImage(const QIcon& image);
    // The badge shows while the count is 1 or more.
    long count() const { return count_; }
    void setCount(long count);

    // The title's alignment, used by the selection style.
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    // Rounds the selected pill (the tab bar's tabs use 12).
    void setCornerRadius(qreal radius);

    // The badge's circle and its number while shown; null otherwise.
    QFrame* badgeBox() const { return badgeBox_; }
    QLabel* badgeLabel() const { return badgeLabel_; }

    void updateLayer() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeBadge();

    bool selected_ = false;
    ThemedColor titleColor_;
    ThemedColor backgroundColor_;
    QIcon leadingImage_;
    ThemedColor selectedTitleColor_;
    ThemedColor selectedBackgroundColor_;
    QIcon selectedLeadingImage_;
    long count_ = 0;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    QPointer<QFrame> badgeBox_;
    QPointer<QLabel> badgeLabel_;
};

}  // namespace morvex
