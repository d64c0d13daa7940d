#include "ui/support/SupportStyle.h"

#include "appkit/Application.h"
#include "appkit/Colors.h"

namespace morvex::support {

QColor color(std::string_view name) { return appkit::colorNamed(name, appkit::Application::shared().effectiveAppearance()); }

QFont font(int pointSize, QFont::Weight weight) {
    QFont f;
    f.setPixelSize(pointSize);
    f.setWeight(weight);
    return f;
}

QLabel* label(const char* name, QWidget* parent, int size, QFont::Weight weight, std::string_view colour) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);  // support texts may come from the service
    l->setFont(font(size, weight));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color(colour));
    l->setPalette(p);
    return l;
}

QPushButton* primaryButton(const char* name, const QString& title, QWidget* parent) {
    auto* b = new QPushButton(title, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setCursor(Qt::PointingHandCursor);
    b->setMinimumSize(126, 30);
    b->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 8px; font-size: 13px;"
                                    " font-weight: 600; padding: 0 16px; } QPushButton:disabled { background: %2; }")
                         .arg(color("ThemeFill").name(), color("Separator").name()));
    return b;
}

QPushButton* linkButton(const char* name, const QString& title, QWidget* parent) {
    auto* b = new QPushButton(title, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; background: transparent; font-size: 13px;"
                                    " font-weight: 500; padding: 2px 0; }")
                         .arg(color("ThemeColor").name()));
    return b;
}

}  // namespace morvex::support
