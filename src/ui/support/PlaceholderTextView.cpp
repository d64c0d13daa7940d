#include "ui/support/PlaceholderTextView.h"

namespace morvex {

PlaceholderTextView::PlaceholderTextView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("PlaceholderTextView"));
}

void PlaceholderTextView::setPlaceholderAttributedString(std::optional<Placeholder> placeholder) {
    placeholder_ = std::move(placeholder);
    setPlaceholderText(placeholder_ ? placeholder_->text : QString());
    if (placeholder_) {
        QPalette p = palette();
        p.setColor(QPalette::PlaceholderText, placeholder_->color);
        setPalette(p);
    }
}

}  // namespace morvex
