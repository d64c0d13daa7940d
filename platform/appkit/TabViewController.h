#pragma once
// A controller that shows one of its child controllers at a time, like a tab view without tabs:
// children are added in page order and owned by the container; a child's view is made the first
// time its page is selected. The selected child hears that it appears and disappears with the
// container, and a change of selection while the container is shown tells the old page that it
// disappears and the new one that it appears.
//
// Threads: main thread only.
#include <vector>

#include "appkit/ViewController.h"

class QStackedWidget;

namespace morvex::appkit {

class TabViewController : public ViewController {
    Q_OBJECT
public:
    explicit TabViewController(QObject* parent = nullptr);

    // Appends a page; the container owns it. The first page added is selected.
    void addChildViewController(ViewController* child);
    int count() const { return static_cast<int>(children_.size()); }
    // The page at `index`; null outside 0..count-1 (or when the child was deleted).
    ViewController* childViewControllerAt(int index) const;

    // -1 while there is no page.
    int selectedTabViewItemIndex() const { return selected_; }
    // Out-of-range indexes are ignored.
    void setSelectedTabViewItemIndex(int index);
    ViewController* selectedViewController() const { return childViewControllerAt(selected_); }

    void loadView() override;
    // Subclasses that override these call the base version.
    void viewDidAppear() override;
    void viewDidDisappear() override;

signals:
    void selectedTabViewItemIndexChanged(int index);

protected:
    // Told around every change of selection (also the first page's, when it is added): `will`
    // before the old page goes, `did` once the new one is in place. The base versions do nothing.
    virtual void willSelectTabViewItem(int index) { (void)index; }
    virtual void didSelectTabViewItem(int index) { (void)index; }

private:
    void showSelected();

    std::vector<QPointer<ViewController>> children_;
    int selected_ = -1;
    QStackedWidget* stack_ = nullptr;
    bool shown_ = false;
};

}  // namespace morvex::appkit
