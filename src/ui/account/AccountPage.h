#pragma once
// The pieces the account pages of the main window share: the page's background and title, the
// captions and values of their cards, and the one call that opens a web page. The pages draw in
// the appearance of the window that shows them (the main window keeps the light one).
//
// Threads: main thread only.
#include <QColor>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace morvex::account {

// A page view with the window's 246-grey ground, a column with the page's margins, and its title.
QWidget* makePage(const char* objectName, const QString& title, QVBoxLayout** column);
// Text in one of the named colours of the page's look, at a size and weight; always plain text,
// since most of it is the service's.
QLabel* makeLabel(QWidget* parent, const QString& text, std::string_view colorName, int points, bool bold = false);
// The brand-blue button of a card (126 wide, 30 high, corners of 8).
QPushButton* makeButton(QWidget* parent, const QString& title, bool primary = true);
// The named colour as the widget's window draws it.
QColor namedColor(const QWidget* widget, std::string_view name);
void setTextColor(QLabel* label, const QColor& color);

QString qs(const std::string& text);
// A tool tip that shows `text` as the characters it is (tool tips otherwise guess at markup).
QString plainToolTip(const QString& text);
// Each word's first letter upper case and the rest lower case; a word starts after any character
// that is not a letter ("in-active" gives "In-Active").
std::string capitalized(std::string_view text);
// A value the service sends as a code (status, plan, billing cycle: "active", "paid", "Annually")
// in the user's language; a code the tables do not know is shown capitalized.
std::string codeText(std::string_view code);
QString text(std::string_view key);

// Opens a web page in the user's browser through the installed desktop services.
void openWebPage(const std::string& url);

}  // namespace morvex::account
