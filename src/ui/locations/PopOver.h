#pragma once
// An overlay laid over the whole content of the main window, dimmed unless it shows something of
// its own. The country list shows the sort choices in it; the three notifications with which the
// sort view talks back to the list are named here.
#include <QColor>
#include <QPointer>
#include <optional>
#include <string_view>

#include "appkit/ViewController.h"
#include "ui/locations/SortView.h"

namespace morvex {



class PopOver : public appkit::ViewController {
    Q_OBJECT
public:
    enum class PopOverFlow { sort };

    static constexpr std::string_view dismissPopOver = "dismissPopOver";
    static constexpr std::string_view sortAlphabetically = "sortAlphabetically";
    static constexpr std::string_view sortPopularity = "sortPopularity";

    explicit PopOver(QObject* parent = nullptr);

    std::optional<PopOverFlow> popOverFlow;
    QColor alphaBgColor;

    // Lays the overlay over the first window's content, once: presenting it again only brings the
    // window to the front. Nothing happens without a window.
    void presentInMainWindow();
    // Takes the overlay's view out of the window.
    void removeFromSuperview();
    // The sort view the overlay shows; null without the sort flow.
    SortView* sortView() const { return sortView_; }

    void loadView() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

private:
    QPointer<SortView> sortView_;
};

}  // namespace morvex
