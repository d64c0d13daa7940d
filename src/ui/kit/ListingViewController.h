#pragma once
// A plain controller for scenes that need no code of their own.
#include "appkit/ViewController.h"

namespace morvex {

class ListingViewController : public appkit::ViewController {
    Q_OBJECT
public:
    explicit ListingViewController(QObject* parent = nullptr) : ViewController(parent) {}
};

}  // namespace morvex
