#pragma once
// A switch of two or more segments: plain text labels over a rounded track, with a pill that
// slides (0.3 s) under the selected label. The preferences window switches between its VPN and
// application sections with it: a click that changes the selection calls `onSegmentSelected` and
// posts "SettingsSegmentedControlSwitch" with "section" = "vpn" (first segment) or "app".
// A label that was just chosen ignores clicks for a second.
//
// The bundle's colours "SettingsSegmentedUnSelectedTextColor", "SettingsSegmentedSelectedTextColor"
// and "SettingsSegmentedBGColor" win over the text colour properties and colour the track.
//
// Threads: main thread only.
#include <QLabel>
#include <QPointer>
#include <QString>
#include <functional>
#include <string_view>
#include <vector>

#include "ui/kit/LayerViews.h"

namespace morvex {

inline constexpr std::string_view kSettingsSegmentedControlSwitchNotification = "SettingsSegmentedControlSwitch";

// Turns clicks on one label into the control's segment click; it can be switched off for a while.
class SegmentClickRecognizer : public QObject {
    Q_OBJECT
public:
    SegmentClickRecognizer(QLabel* label, std::function<void(SegmentClickRecognizer&)> action);
    QLabel* view() const { return label_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label_;
    std::function<void(SegmentClickRecognizer&)> action_;
    bool enabled_ = true;
    bool pressed_ = false;
};

class CustomSegmentedControl : public CustomView {
    Q_OBJECT
public:
    explicit CustomSegmentedControl(QWidget* parent = nullptr);

    // The titles, separated by commas; empty pieces are dropped and each piece is trimmed of
    // blanks. Rebuilds the labels when the text changes; the selection index stays.
    QString segmentsTitles() const { return segmentsTitles_; }
    void setSegmentsTitles(const QString& titles);
    // Kept within the labels: a value out of range is stored clamped, without restyling or moving
    // the pill.
    long selectedSegmentIndex() const { return selectedSegmentIndex_; }
    void setSelectedSegmentIndex(long index);
    const ThemedColor& normalTextColor() const { return normalTextColor_; }
    void setNormalTextColor(const ThemedColor& color);
    const ThemedColor& selectedTextColor() const { return selectedTextColor_; }
    void setSelectedTextColor(const ThemedColor& color);
    const ThemedColor& indicatorColor() const { return indicatorColor_; }
    void setIndicatorColor(const ThemedColor& color);

    const std::vector<QLabel*>& segments() const { return segments_; }
    CustomView* selectionIndicator() const { return selectionIndicator_; }
    SegmentClickRecognizer* recognizer(std::size_t index) const;
    std::function<void(long)> onSegmentSelected;
    qreal segmentHeight = 40;
    qreal selectionIndicatorHeight = 30;

    // The action of the labels' recognisers.
    void segmentClicked(SegmentClickRecognizer& recognizer);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setUp();
    void buildSegments();
    void setUpIndicator();
    void restyleLabels();
    void layOutSegments();
    void placeIndicator(bool animated);

    QString segmentsTitles_;
    long selectedSegmentIndex_ = 0;
    ThemedColor normalTextColor_;
    ThemedColor selectedTextColor_ = ThemedColor(Qt::white);
    ThemedColor indicatorColor_ = ThemedColor::colorNamed("ThemeFill", QColor(0x47, 0x72, 0xA5));
    std::vector<QLabel*> segments_;
    std::vector<SegmentClickRecognizer*> recognizers_;
    QPointer<CustomView> selectionIndicator_;
};

}  // namespace morvex
