#pragma once
// The sheet in which the user turns a country list's P2P filter on or off and confirms or
// cancels. It stores nothing: the list that opened it applies the state it hands back. While the
// sheet is open, cleared preferences turn the list's filter off at once.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <string_view>
#include <vector>

#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "ui/locations/WeakDelegate.h"

namespace morvex {

// The list that opened the filter sheet, given the chosen P2P state.
class FilterViewControllerDelegate {
public:
    virtual ~FilterViewControllerDelegate() = default;
    virtual void filterApplied(bool isFilterOn) = 0;
};

class FilterViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr std::string_view kStoryboard = "Filter";
    static constexpr std::string_view kStoryboardID = "FilterViewController";

    explicit FilterViewController(QObject* parent = nullptr);
    ~FilterViewController() override;

    QPointer<QLabel> lblTitle;
    QPointer<QAbstractButton> btnP2P;
    QPointer<QAbstractButton> btnCancel;
    QPointer<QAbstractButton> btnProceed;
    WeakDelegate<FilterViewControllerDelegate> delegate;
    // The state being edited; the opener sets it before presenting.
    bool isFilterOn = false;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

    void btnP2PAction();
    void proceedAction();
    void cancelAction();
    void preferencesCleared();

private:
    void showSwitch();
    QPointer<QLabel> p2pLabel_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
