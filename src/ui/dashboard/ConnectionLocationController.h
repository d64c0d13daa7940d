#pragma once
// The dashboard's location card: the flag and name of the location the traffic leaves from, the
// "recommended" label while the tunnel is down, the public address and the time connected while it
// is up, and the favourite star. Its views are bound to ConnectionLocationModel; this controller
// brings the engine's reports to the main thread, runs the card's fades and forwards the star.
#include <QPointer>
#include <memory>
#include <vector>

#include "appkit/Bindings.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectionLocationModel.h"

#include <QLabel>
#include <QToolButton>

class QGraphicsOpacityEffect;
class QPropertyAnimation;

namespace morvex {

class ConnectionLocationController : public appkit::ViewController {
    Q_OBJECT
public:
    static constexpr double ALPHA_HIDDEN = 0.0;
    static constexpr double ALPHA_SHOWN = 1.0;
    static constexpr int ANIMATION_MS = 400;

    explicit ConnectionLocationController(QObject* parent = nullptr);
    // With a model shared with the connection panel (or a test's).
    explicit ConnectionLocationController(std::shared_ptr<ConnectionLocationModel> model, QObject* parent = nullptr);
    ~ConnectionLocationController() override;

    ConnectionLocationModel& model() { return *model_; }
    const std::shared_ptr<ConnectionLocationModel>& sharedModel() const { return model_; }

    QLabel* locationName() const { return locationName_; }
    QLabel* locationImageView() const { return locationImageView_; }
    QLabel* labelRecommended() const { return labelRecommended_; }
    QLabel* ipLabel() const { return ipLabel_; }
    QLabel* durationLabel() const { return durationLabel_; }
    QToolButton* buttonFavorite() const { return buttonFavorite_; }
    double recommendedAlpha() const;
    double ipDurationAlpha() const;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

private:
    void showLayout(ConnectionLocationModel::Layout layout);
    void fade(QGraphicsOpacityEffect* effect, double to);
    void showLocation(const ConnectionLocationModel::ServerPtr& location);

    std::shared_ptr<ConnectionLocationModel> model_;
    QPointer<QLabel> locationName_, locationImageView_, labelRecommended_, ipLabel_, durationLabel_;
    QPointer<QWidget> stackViewIpDuration_;
    QPointer<QToolButton> buttonFavorite_;
    QGraphicsOpacityEffect* recommendedOpacity_ = nullptr;
    QGraphicsOpacityEffect* ipDurationOpacity_ = nullptr;
    std::vector<QPointer<QPropertyAnimation>> fades_;
    std::vector<appkit::Subscription> bindings_;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
