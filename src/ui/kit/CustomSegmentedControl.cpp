#include "ui/kit/CustomSegmentedControl.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QStringList>

#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/NotificationCenter.h"
#include "ui/kit/Fonts.h"

namespace morvex {

namespace {
QString trimBlanks(const QString& piece) {
    qsizetype from = 0, to = piece.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (from < to && blank(piece[from])) ++from;
    while (to > from && blank(piece[to - 1])) --to;
    return piece.mid(from, to - from);
}
}  // namespace

// ---- SegmentClickRecognizer

SegmentClickRecognizer::SegmentClickRecognizer(QLabel* label, std::function<void(SegmentClickRecognizer&)> action)
    : QObject(label), label_(label), action_(std::move(action)) {
    label->installEventFilter(this);
}

bool SegmentClickRecognizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != label_) return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        pressed_ = mouse->button() == Qt::LeftButton;
        return pressed_;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool ended = pressed_ && mouse->button() == Qt::LeftButton && label_->rect().contains(mouse->position().toPoint());
        pressed_ = false;
        if (ended && enabled_ && action_) action_(*this);
        return true;
    }
    return false;
}

// ---- CustomSegmentedControl

CustomSegmentedControl::CustomSegmentedControl(QWidget* parent)
    : CustomView(parent),
      segmentsTitles_(QString::fromStdString(localized("segmented_title_1") + ", " + localized("segmented_title_2"))),
      normalTextColor_(ThemedColor::colorNamed("HeadingText", QColor(0, 0, 0, 217))) {
    setUp();
}

void CustomSegmentedControl::setUp() {
    buildSegments();
    setUpIndicator();
    restyleLabels();
    // The track: rounded to the pill's half height plus 2, in the bundle's track colour.
    setCornerRadius(selectionIndicatorHeight * 0.5 + 2);
    setBackgroundColor(ThemedColor::bundleHasColor("SettingsSegmentedBGColor")
                           ? std::optional<ThemedColor>(ThemedColor::colorNamed("SettingsSegmentedBGColor"))
                           : std::nullopt);
    mutableLayer().masksToBounds = true;
    placeIndicator(false);
}

void CustomSegmentedControl::buildSegments() {
    for (QLabel* label : segments_) delete label;
    segments_.clear();
    recognizers_.clear();

    QStringList pieces;
    for (const QString& piece : segmentsTitles_.split(QLatin1Char(','), Qt::SkipEmptyParts)) pieces << trimBlanks(piece);
    if (pieces.isEmpty()) return;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        auto* label = new QLabel(pieces[i], this);
        label->setFont(systemFont(14, QFont::Light));
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(false);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setCursor(Qt::PointingHandCursor);
        setViewTag(label, int(i));
        label->show();
        segments_.push_back(label);
    }
    for (QLabel* label : segments_) {
        recognizers_.push_back(new SegmentClickRecognizer(label, [this](SegmentClickRecognizer& r) { segmentClicked(r); }));
    }
    layOutSegments();
}

void CustomSegmentedControl::setUpIndicator() {
    if (!selectionIndicator_) {
        selectionIndicator_ = new CustomView(this);
        selectionIndicator_->setAttribute(Qt::WA_TransparentForMouseEvents);
        selectionIndicator_->show();
    }
    selectionIndicator_->setBackgroundColor(indicatorColor_);
    selectionIndicator_->setCornerRadius(selectionIndicatorHeight * 0.5);
    selectionIndicator_->mutableLayer().masksToBounds = true;
    // Under every label.
    selectionIndicator_->lower();
    placeIndicator(false);
}

void CustomSegmentedControl::restyleLabels() {
    const ThemedColor unselected = ThemedColor::bundleHasColor("SettingsSegmentedUnSelectedTextColor")
                                       ? ThemedColor::colorNamed("SettingsSegmentedUnSelectedTextColor")
                                       : normalTextColor_;
    const ThemedColor selected = ThemedColor::bundleHasColor("SettingsSegmentedSelectedTextColor")
                                     ? ThemedColor::colorNamed("SettingsSegmentedSelectedTextColor")
                                     : selectedTextColor_;
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        QLabel* label = segments_[i];
        label->setFont(systemFont(14, QFont::Light));
        label->setAlignment(Qt::AlignCenter);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, (long(i) == selectedSegmentIndex_ ? selected : unselected).resolve(this));
        label->setPalette(p);
    }
}

void CustomSegmentedControl::layOutSegments() {
    if (segments_.empty()) return;
    const qreal w = std::max(1, width()) / qreal(segments_.size());
    // Each label as high as a segment, centred on the control (its text is centred in it).
    const qreal y = (height() - segmentHeight) * 0.5;
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        segments_[i]->setGeometry(QRectF(w * qreal(i), y, w, segmentHeight).toRect());
    }
}

void CustomSegmentedControl::placeIndicator(bool animated) {
    if (!selectionIndicator_) return;
    if (selectedSegmentIndex_ < 0 || selectedSegmentIndex_ >= long(segments_.size())) return;
    const qreal w = std::max(1, width()) / qreal(std::max<std::size_t>(1, segments_.size()));
    const QRect target = QRectF(w * qreal(selectedSegmentIndex_), (height() - selectionIndicatorHeight) * 0.5, w,
                                selectionIndicatorHeight)
                             .toRect();
    // A slide under way stops where it is.
    for (auto* running : selectionIndicator_->findChildren<QPropertyAnimation*>()) running->stop();
    if (!animated) {
        selectionIndicator_->setGeometry(target);
        return;
    }
    auto* slide = new QPropertyAnimation(selectionIndicator_, "geometry", selectionIndicator_);
    slide->setDuration(300);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setEndValue(target);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

SegmentClickRecognizer* CustomSegmentedControl::recognizer(std::size_t index) const {
    return index < recognizers_.size() ? recognizers_[index] : nullptr;
}

void CustomSegmentedControl::setSegmentsTitles(const QString& titles) {
    if (titles == segmentsTitles_) return;
    segmentsTitles_ = titles;
    buildSegments();
    setUpIndicator();
    restyleLabels();
    updateGeometry();
}

void CustomSegmentedControl::setSelectedSegmentIndex(long index) {
    const long last = long(segments_.size()) - 1;
    const long clamped = segments_.empty() ? 0 : std::clamp(index, 0L, last);
    if (clamped != index) {
        selectedSegmentIndex_ = clamped;
        return;
    }
    if (index == selectedSegmentIndex_) return;
    selectedSegmentIndex_ = index;
    restyleLabels();
    placeIndicator(true);
}

void CustomSegmentedControl::setNormalTextColor(const ThemedColor& color) {
    if (color == normalTextColor_) return;
    normalTextColor_ = color;
    restyleLabels();
}

void CustomSegmentedControl::setSelectedTextColor(const ThemedColor& color) {
    if (color == selectedTextColor_) return;
    selectedTextColor_ = color;
    restyleLabels();
}

void CustomSegmentedControl::setIndicatorColor(const ThemedColor& color) {
    if (color == indicatorColor_) return;
    indicatorColor_ = color;
    if (selectionIndicator_) selectionIndicator_->setBackgroundColor(color);
}

void CustomSegmentedControl::segmentClicked(SegmentClickRecognizer& recognizer) {
    QLabel* label = recognizer.view();
    if (!label || viewTag(label) == selectedSegmentIndex_) return;
    // The chosen label ignores clicks for a second.
    recognizer.setEnabled(false);
    QPointer<SegmentClickRecognizer> held(&recognizer);
    DispatchQueue::main().asyncAfter(1.0, [held] {
        if (held) held->setEnabled(true);
    });
    const long index = viewTag(label);
    setSelectedSegmentIndex(index);
    if (onSegmentSelected) onSegmentSelected(index);
    NotificationCenter::defaultCenter().post(kSettingsSegmentedControlSwitchNotification, {},
                                             {{"section", std::string(index == 0 ? "vpn" : "app")}});
}

void CustomSegmentedControl::resizeEvent(QResizeEvent* event) {
    CustomView::resizeEvent(event);
    layOutSegments();
    placeIndicator(false);
}

void CustomSegmentedControl::changeEvent(QEvent* event) {
    CustomView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) restyleLabels();
}

}  // namespace morvex
