#pragma once
// The application's alerts as window-modal alert sheets of the desktop layer.
#include "app/AlertPresenting.h"

namespace morvex {

class QtAlertPresenter : public AlertPresenting {
public:
    bool present(AlertRequest request) override;
    void dismissSheet() override;
    long runModal(AlertRequest request) override;
};

}  // namespace morvex
