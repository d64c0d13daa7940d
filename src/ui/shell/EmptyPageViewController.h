#pragma once
// The page a scene shows until its screen is built: the window's plain background, nothing to
// read or click.
#include "appkit/ViewController.h"

namespace morvex {

class EmptyPageViewController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit EmptyPageViewController(QObject* parent = nullptr) : ViewController(parent) {}
    void loadView() override;
};

}  // namespace morvex
