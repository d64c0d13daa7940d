#pragma once
// An animation area that shows the pointing hand while the pointer is over it (the desktop shows
// the arrow again outside it). Clicks are not its own: they go on to the control it sits in.
#include "appkit/AnimationView.h"

namespace morvex {

class CursorChangingView : public appkit::AnimationView {
    Q_OBJECT
public:
    explicit CursorChangingView(QWidget* parent = nullptr);
};

}  // namespace morvex
