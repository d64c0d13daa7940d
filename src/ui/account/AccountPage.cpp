#include "ui/account/AccountPage.h"

#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWidget>

#include "alerts/AlertServices.h"
#include "foundation/Bundle.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/ThemedColor.h"

namespace morvex::account {

QString qs(const std::string& text) { return QString::fromStdString(text); }
QString text(std::string_view key) { return qs(localized(key)); }

std::string codeText(std::string_view code) {
    const std::string key = "profile.value." + QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size())).trimmed().toLower().toStdString();
    const std::string text = localized(key);
    return text.empty() || text == key ? capitalized(code) : text;
}

std::string capitalized(std::string_view text) {
    QString out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    bool wordStart = true;
    for (QChar& c : out) {
        if (c.isLetter()) {
            c = wordStart ? c.toUpper() : c.toLower();
            wordStart = false;
        } else {
            wordStart = true;
        }
    }
    return out.toStdString();
}

QColor namedColor(const QWidget* widget, std::string_view name) { return ThemedColor::colorNamed(name).resolve(widget); }

void setTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QWidget* makePage(const char* objectName, const QString& title, QVBoxLayout** column) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(objectName));
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, namedColor(page, "WindowBackground"));
    page->setPalette(palette);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(12);
    QLabel* heading = makeLabel(page, title, "HeadingText", 20, true);
    heading->setObjectName(QStringLiteral("title"));
    layout->addWidget(heading);
    *column = layout;
    return page;
}

QLabel* makeLabel(QWidget* parent, const QString& text, std::string_view colorName, int points, bool bold) {
    auto* label = new QLabel(text, parent);
    // Account texts come from the service: shown as the characters they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(systemFont(points, bold ? QFont::Bold : QFont::Normal));
    setTextColor(label, namedColor(parent, colorName));
    return label;
}

QString plainToolTip(const QString& text) {
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

QPushButton* makeButton(QWidget* parent, const QString& title, bool primary) {
    auto* button = new QPushButton(title, parent);
    button->setFont(systemFont(13));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(126, 30);
    const QColor blue = namedColor(parent, "ThemeColor");
    const QColor border = namedColor(parent, "PopupButtonBorderColor");
    button->setStyleSheet(primary ? QStringLiteral("QPushButton{background:%1;color:white;border:none;border-radius:8px;padding:0 14px;}"
                                                   "QPushButton:disabled{background:%2;}")
                                        .arg(blue.name(), border.name())
                                  : QStringLiteral("QPushButton{background:transparent;color:%1;border:1px solid %2;"
                                                   "border-radius:8px;padding:0 14px;}")
                                        .arg(blue.name(), border.name()));
    return button;
}

void openWebPage(const std::string& url) {
    if (auto open = AlertServices::installed().openURL) open(url);
}

}  // namespace morvex::account
