#pragma once
// A spinner for a wait of unknown length: a quarter arc in the brand blue turning once a second
// on a faint ring, 24 points square. It turns only while it is visible, so a hidden one costs no
// repaints; its colours follow the appearance its window draws in.
//
// Threads: main thread only.
#include <QVariantAnimation>
#include <QWidget>

namespace morvex {

class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 24;
    static constexpr int kTurnMs = 1000;

    explicit ActivityIndicator(QWidget* parent = nullptr);

    bool isAnimating() const { return turn_.state() == QAbstractAnimation::Running; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation turn_;
    int angle_ = 0;  // degrees, clockwise from twelve o'clock
};

}  // namespace morvex
