#pragma once
// The sort sheet of the sectioned country list: three radio choices (popularity, alphabetically,
// ping) handed to the delegate. The current choice is read from the process-wide sort flags and
// never stored here. The sheet closes on a choice and on any left-button release anywhere in the
// application (the release still reaches what it was meant for).
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <memory>
#include <string_view>

#include "appkit/ViewController.h"
#include "ui/locations/WeakDelegate.h"

namespace morvex {

// The list that opened the sort choices; kind 0 alphabetically, 1 popularity, 2 ping.
class SortViewControllerDelegate {
public:
    virtual ~SortViewControllerDelegate() = default;
    virtual void sortSelected(int kind) = 0;
};

class SortViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboard = "Sort";
    static constexpr std::string_view kStoryboardID = "SortViewController";

    explicit SortViewController(QObject* parent = nullptr);
    ~SortViewController() override;

    QPointer<QAbstractButton> btnPopularity;
    QPointer<QAbstractButton> btnAlphabetically;
    QPointer<QAbstractButton> btnPing;
    WeakDelegate<SortViewControllerDelegate> delegate;
    // The application-wide watch for left-button releases; none before viewDidLoad and after it
    // was removed.
    std::unique_ptr<QObject> monitor;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    void btnPopularityAction();
    void btnAlphabeticallyAction();
    void btnPingAction();

private:
    void choose(int kind);
    void removeMonitor();
    void dismissSheet();
    QPointer<QLabel> title_;
};

}  // namespace morvex
