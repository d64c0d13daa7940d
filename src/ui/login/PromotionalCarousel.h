#pragma once
// The login screen's promotional pages: a row of picture pages that only the program moves (the
// wheel and touch gestures over it are swallowed), and the page item.
#include <QLabel>
#include <QScrollArea>
#include <QWidget>
#include <string>
#include <vector>

class QHBoxLayout;
class QVariantAnimation;

namespace morvex {

class PromotionalScreenCollectionViewItem : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kIdentifier = "PromotionalScreenCollectionViewItem";
    explicit PromotionalScreenCollectionViewItem(QSize size, QWidget* parent = nullptr);

    // The named image (none when the bundle has no image of that name) and the two texts; an
    // empty text hides its label.
    void configure(const std::string& imageName, const std::string& title, const std::string& description);
    const std::string& imageName() const { return imageName_; }

    QLabel* promotionalImageView;
    QLabel* label_title;
    QLabel* label_description;

private:
    std::string imageName_;
};

class CustomCollectionView : public QScrollArea {
    Q_OBJECT
public:
    explicit CustomCollectionView(QSize itemSize, QWidget* parent = nullptr);

    // Drops the items and makes `count` new ones through `make` (index -> item).
    void reloadData(int count, const std::function<QWidget*(int index)>& make);
    int numberOfItems() const { return static_cast<int>(items_.size()); }
    QWidget* item(int index) const;
    // Brings the item to the middle of the view; animated over `seconds` when not zero.
    void scrollToItem(int index, double seconds = 0.0);
    // The item the view shows now (after any running animation ends).
    int visibleItem() const { return target_; }

protected:
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QSize itemSize_;
    QWidget* strip_;
    QHBoxLayout* row_;
    std::vector<QWidget*> items_;
    QVariantAnimation* animation_ = nullptr;
    int target_ = 0;
};

}  // namespace morvex
