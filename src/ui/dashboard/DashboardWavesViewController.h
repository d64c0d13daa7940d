#pragma once
// A second animation area of the dashboard, 160 × 160, that shows the pointing hand while the
// pointer is over it. It follows the engine's reports without changing anything: it has no
// animation of its own until the dashboard gives it one.
#include <QPointer>
#include <vector>

#include "appkit/ViewController.h"
#include "ui/dashboard/CursorChangingView.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/WavesModel.h"

namespace morvex {


class DashboardWavesViewController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr int kSide = 160;

    explicit DashboardWavesViewController(QObject* parent = nullptr);
    ~DashboardWavesViewController() override;

    WavesModel& model() { return model_; }
    CursorChangingView* animationView() const { return animationView_; }

    void loadView() override;
    void viewDidLoad() override;

private:
    WavesModel model_;
    QPointer<CursorChangingView> animationView_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
