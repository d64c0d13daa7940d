#pragma once
// Text inputs with the kit's touches:
//  - PVTextField: the caret colour chosen by the screen (`cursorColor`), and a PVTextFieldCell that
//    colours the placeholder and centres the single line of text vertically;
//  - CustomTextField, CustomSearchField: a grey caret while focused, and `onFocus` / `onUnfocus`
//    callbacks for their owner (by default they do nothing).
//
// Threads: main thread only; the callbacks run inside the focus change.
#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "ui/kit/ThemedColor.h"

class QTimer;

namespace morvex {

// A line edit that draws its own caret, in a colour of its own or (none) the text's colour.
class KitLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit KitLineEdit(QWidget* parent = nullptr);

    const std::optional<QColor>& insertionPointColor() const { return insertionPointColor_; }
    void setInsertionPointColor(std::optional<QColor> color);
    // Where the caret is drawn: one point wide at the insertion point.
    QRect caretRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void restartBlink();

    std::optional<QColor> insertionPointColor_;
    QTimer* blink_ = nullptr;
    bool caretShown_ = true;
};

// How a field lays out and colours its text: the placeholder in `placeholderTextColor`, and a
// single line of text centred vertically in the bounds it is drawn in.
class PVTextFieldCell {
public:
    PVTextFieldCell() = default;
    virtual ~PVTextFieldCell() = default;

    QFont font;
    QString placeholderString;

    // Colours the placeholder (as it reads now); none leaves the earlier colouring in place.
    const std::optional<QColor>& placeholderTextColor() const { return placeholderTextColor_; }
    void setPlaceholderTextColor(std::optional<QColor> color);
    // The colour the placeholder is drawn in, none for the platform's.
    const std::optional<QColor>& placeholderColorShown() const { return placeholderShown_; }

    // Where the platform draws text in `bounds`: inset by 2 on the left and right, from the top.
    virtual QRectF platformDrawingRect(const QRectF& bounds) const;
    // The size the content needs in `bounds`: one line of the font.
    virtual QSizeF cellSizeForBounds(const QRectF& bounds) const;
    // The platform's rectangle moved down by half the spare height and cut to the content's height;
    // a frame lower than its content keeps the platform's rectangle.
    QRectF drawingRectForBounds(const QRectF& bounds) const;

private:
    std::optional<QColor> placeholderTextColor_;
    std::optional<QColor> placeholderShown_;
};

class PVTextField : public KitLineEdit {
    Q_OBJECT
public:
    explicit PVTextField(QWidget* parent = nullptr);

    // Colours the caret; none changes nothing on screen.
    const std::optional<QColor>& cursorColor() const { return cursorColor_; }
    void setCursorColor(std::optional<QColor> color);

    // The field's cell; call applyCell() after changing it.
    PVTextFieldCell& cell() { return *cell_; }
    void setCell(std::unique_ptr<PVTextFieldCell> cell);
    void applyCell();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::optional<QColor> cursorColor_;
    std::unique_ptr<PVTextFieldCell> cell_;
};

class CustomTextField : public KitLineEdit {
    Q_OBJECT
public:
    explicit CustomTextField(QWidget* parent = nullptr);
    std::function<void()> onFocus = [] {};
    std::function<void()> onUnfocus = [] {};

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// A search field: a magnifier before the text and a button that clears it.
class CustomSearchField : public KitLineEdit {
    Q_OBJECT
public:
    explicit CustomSearchField(QWidget* parent = nullptr);
    std::function<void()> onFocus = [] {};
    std::function<void()> onUnfocus = [] {};

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace morvex
