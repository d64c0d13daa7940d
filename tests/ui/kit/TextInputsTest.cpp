// The kit's text inputs: the cell's vertical centring and placeholder colour, caret colours, and
// the focus callbacks driven by clicks and Tab.
#include <QTest>
#include <gtest/gtest.h>

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "support/TestSupport.h"
#include "ui/kit/TextInputs.h"

namespace morvex {
namespace {

using TextInputsTest = test::TempConfigTest;

// A cell whose content is 17 points high, whatever the font.
class SeventeenHighCell : public PVTextFieldCell {
public:
    QSizeF cellSizeForBounds(const QRectF& bounds) const override { return {bounds.width(), 17}; }
};

TEST_F(TextInputsTest, TextFieldCellCentresItsContentVerticallyWhenTheFrameHasRoomToSpare) {
    SeventeenHighCell cell;
    struct Case {
        const char* name;
        QRectF bounds;
        QRectF expected;
    };
    const QRectF tall(0, 0, 120, 27), exact(0, 0, 120, 17), low(0, 0, 120, 12), offset(10, 40, 80, 27);
    const Case cases[] = {
        {"27 high: 5 lower, 17 high", tall, QRectF(2, 5, 116, 17)},
        {"as high as the content: the platform's", exact, cell.platformDrawingRect(exact)},
        {"lower than the content: the platform's", low, cell.platformDrawingRect(low)},
        {"away from the origin", offset, QRectF(12, 45, 76, 17)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cell.drawingRectForBounds(c.bounds), c.expected);
    }
}

TEST_F(TextInputsTest, PlaceholderColourIsKeptWhenNoneIsAssigned) {
    appkit::Application app;
    PVTextField field;
    field.cell().placeholderString = "E-mail";
    field.cell().setPlaceholderTextColor(QColor(Qt::red));
    field.applyCell();
    EXPECT_EQ(field.placeholderText(), "E-mail");
    EXPECT_EQ(field.palette().color(QPalette::PlaceholderText), QColor(Qt::red));
    field.cell().setPlaceholderTextColor(std::nullopt);
    field.applyCell();
    EXPECT_EQ(field.palette().color(QPalette::PlaceholderText), QColor(Qt::red));
}

TEST_F(TextInputsTest, TextFieldDrawsItsCaretInTheColourItWasGiven) {
    appkit::Application app;
    appkit::Window window(QSize(240, 60));
    auto* field = new PVTextField(&window);
    field->setGeometry(10, 10, 200, 30);
    { QPalette p = field->palette(); p.setColor(QPalette::Base, Qt::white); p.setColor(QPalette::Text, Qt::black); field->setPalette(p); }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    field->setCursorColor(QColor(0, 200, 0));
    field->setCursorColor(std::nullopt);
    EXPECT_EQ(field->insertionPointColor(), QColor(0, 200, 0)) << "none changes nothing";
    field->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return field->hasFocus(); }));

    const QImage drawn = field->grab().toImage();
    const QRect caret = field->caretRect();
    int green = 0;
    for (int y = caret.top(); y <= caret.bottom(); ++y) green += drawn.pixelColor(caret.left(), y) == QColor(0, 200, 0);
    EXPECT_GT(green, 5);
}

TEST_F(TextInputsTest, FocusCallbacksRunOnceWhenTheUserClicksInAndTabsOut) {
    appkit::Application app;
    appkit::Window window(QSize(300, 120));
    // The plain field comes first in the focus chain, so it takes the focus when the window shows.
    auto* next = new QLineEdit(&window);
    auto* search = new CustomSearchField(&window);
    auto* text = new CustomTextField(&window);
    search->setGeometry(10, 10, 200, 28);
    text->setGeometry(10, 44, 200, 28);
    next->setGeometry(10, 78, 200, 28);
    int searchFocus = 0, searchUnfocus = 0, textFocus = 0, textUnfocus = 0;
    bool focusedWhenToldFirst = true;
    search->onFocus = [&] { ++searchFocus; };
    search->onUnfocus = [&] { ++searchUnfocus; };
    text->onFocus = [&] {
        ++textFocus;
        focusedWhenToldFirst = text->insertionPointColor().has_value();
    };
    text->onUnfocus = [&] { ++textUnfocus; };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    EXPECT_EQ(searchFocus + textFocus, 0);

    QTest::mouseClick(search, Qt::LeftButton, {}, QPoint(50, 14));
    ASSERT_TRUE(test::waitUntil([&] { return search->hasFocus(); }));
    EXPECT_EQ(searchFocus, 1);
    EXPECT_EQ(searchUnfocus, 0);
    EXPECT_EQ(search->insertionPointColor(), QColor(111, 118, 124));

    QTest::keyClick(search, Qt::Key_Tab);
    ASSERT_TRUE(test::waitUntil([&] { return text->hasFocus(); }));
    EXPECT_EQ(searchUnfocus, 1);
    EXPECT_EQ(textFocus, 1);
    EXPECT_FALSE(focusedWhenToldFirst) << "onFocus runs before the field takes the focus";
    EXPECT_EQ(text->insertionPointColor(), QColor(109, 109, 109));

    QTest::keyClick(text, Qt::Key_Tab);
    ASSERT_TRUE(test::waitUntil([&] { return next->hasFocus(); }));
    EXPECT_EQ(textUnfocus, 1);
    EXPECT_EQ(searchFocus, 1);

    // Without callbacks of their own the fields only recolour the caret.
    CustomTextField plain(&window);
    plain.show();
    plain.setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return plain.hasFocus(); }));
    next->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return next->hasFocus(); }));
}

}  // namespace
}  // namespace morvex
