#pragma once
// A multi-line text entry that shows a coloured placeholder while it is empty, on a layer with
// rounded corners (8).
#include <QColor>
#include <QPlainTextEdit>
#include <optional>

namespace morvex {

class PlaceholderTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    struct Placeholder {
        QString text;
        QColor color;
    };
    static constexpr qreal kCornerRadius = 8.0;

    explicit PlaceholderTextView(QWidget* parent = nullptr);

    const std::optional<Placeholder>& placeholderAttributedString() const { return placeholder_; }
    void setPlaceholderAttributedString(std::optional<Placeholder> placeholder);

private:
    std::optional<Placeholder> placeholder_;
};

}  // namespace morvex
