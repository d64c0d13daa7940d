#include "ui/dashboard/CursorChangingView.h"

namespace morvex {

CursorChangingView::CursorChangingView(QWidget* parent) : AnimationView(parent) { setCursor(Qt::PointingHandCursor); }

}  // namespace morvex
