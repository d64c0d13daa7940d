#include "TextCheck.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTextDocument>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace morvex::shots {
namespace {

std::vector<Offender>& found() {
    static std::vector<Offender> list;
    return list;
}

double luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

std::string pathOf(const QWidget* w, const QWidget* root) {
    std::string out;
    for (const QWidget* p = w; p && p != root; p = p->parentWidget()) {
        if (p != w && p->objectName().isEmpty()) continue;  // only named ancestors
        const std::string part = p->objectName().isEmpty() ? p->metaObject()->className() : p->objectName().toStdString();
        out = out.empty() ? part : part + "/" + out;
    }
    return out.empty() ? w->metaObject()->className() : out;
}

// The text as drawn: rich text reduced to its words.
QString plainText(const QLabel& label) {
    const QString text = label.text();
    const bool rich = label.textFormat() == Qt::RichText ||
                      (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (!rich) return text;
    QTextDocument doc;
    doc.setHtml(text);
    return doc.toPlainText();
}

// The colour most pixels of the rectangle have: the ground the text stands on.
QRgb groundColour(const QImage& image, const QRect& rect) {
    std::map<QRgb, int> counts;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) ++counts[image.pixel(x, y) | 0xff000000u];
    if (counts.empty()) return qRgb(255, 255, 255);
    return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

QRgb over(QColor fg, QRgb bg) {
    const double a = fg.alphaF();
    auto mix = [a](int f, int b) { return static_cast<int>(std::lround(f * a + b * (1 - a))); };
    return qRgb(mix(fg.red(), qRed(bg)), mix(fg.green(), qGreen(bg)), mix(fg.blue(), qBlue(bg)));
}

std::string shown(const QString& text) { return "\"" + text.simplified().left(40).toStdString() + "\""; }

// The drawn pixel that stands out most from the ground: the ink of a text its widget paints itself.
QRgb drawnInk(const QImage& image, const QRect& rect, QRgb ground) {
    QRgb best = ground;
    double most = 1;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y) | 0xff000000u;
            if (const double c = contrastRatio(p, ground); c > most) most = c, best = p;
        }
    }
    return best;
}

// `colour` is the text's colour when the widget draws it from its palette; none means the widget
// paints its own, and the ink is read from the picture.
void checkContrast(const QWidget& w, const QString& text, std::optional<QColor> colour, const QImage& image,
                   QRect at, const QWidget& root) {
    if (!at.intersects(image.rect())) return;  // the text lies past the picture's edge (scrolled away)
    const QRgb ground = groundColour(image, at);
    const QRgb ink = colour ? over(*colour, ground) : drawnInk(image, at, ground);
    const double ratio = contrastRatio(ink, ground);
    if (ratio + 1e-6 < 4.5) {
        char figures[96];
        std::snprintf(figures, sizeof figures, " %s on %s: %.2f:1", QColor(ink).name().toUtf8().constData(),
                      QColor(ground).name().toUtf8().constData(), ratio);
        found().push_back({"contrast", pathOf(&w, &root), shown(text) + figures});
    }
}

void inspectLabel(const QLabel& label, const QImage& image, QPoint at, const QWidget& root) {
    const QString text = plainText(label);
    if (text.trimmed().isEmpty()) return;
    const QRect box = label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(), -label.margin());
    const QFontMetrics fm(label.font());
    const int indent = std::max(0, label.indent());
    const int width = box.width() - indent;
    QRect need;
    if (label.wordWrap()) {
        need = fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::AlignLeft, text);
    } else {
        int widest = 0;
        for (const QString& line : text.split(QLatin1Char('\n'))) widest = std::max(widest, fm.horizontalAdvance(line));
        need = QRect(0, 0, widest, fm.height() * static_cast<int>(text.count(QLatin1Char('\n')) + 1));
    }
    // A point of slack for rounding between the metrics and the layout.
    if (need.width() > width + 1 || need.height() > box.height() + std::max(2, fm.descent())) {
        found().push_back({"clipped", pathOf(&label, &root),
                           shown(text) + " needs " + std::to_string(need.width()) + "x" + std::to_string(need.height()) +
                               ", has " + std::to_string(width) + "x" + std::to_string(box.height())});
    }
    // The ground is read where the text is drawn: a wide label's box reaches past a picture
    // behind its few words, and would be judged on the window's ground beyond it.
    const QRect textBox = box.adjusted(indent, 0, 0, 0);
    const int flags = int(label.alignment()) | (label.wordWrap() ? int(Qt::TextWordWrap) : 0);
    const QRect inked = fm.boundingRect(textBox, flags, text).intersected(textBox);
    const QRect judged = inked.isEmpty() ? box : inked;
    checkContrast(label, text, label.palette().color(label.foregroundRole()), image,
                  QRect(at + label.mapTo(&root, judged.topLeft()), judged.size()), root);
}

void inspectButton(const QAbstractButton& button, const QImage& image, QPoint at, const QWidget& root) {
    const QString text = button.text().remove(QLatin1Char('&'));
    if (text.trimmed().isEmpty()) return;
    const QFontMetrics fm(button.font());
    const int icon = button.icon().isNull() ? 0 : button.iconSize().width();
    int need = fm.horizontalAdvance(text) + (icon ? icon + 4 : 0);
    if (auto* tool = qobject_cast<const QToolButton*>(&button)) {
        switch (tool->toolButtonStyle()) {
            case Qt::ToolButtonIconOnly: return;
            case Qt::ToolButtonTextOnly: need = fm.horizontalAdvance(text); break;
            case Qt::ToolButtonTextUnderIcon: need = std::max(fm.horizontalAdvance(text), icon); break;
            default: break;
        }
    }
    if (need > button.width()) {
        found().push_back({"clipped", pathOf(&button, &root),
                           shown(text) + " needs " + std::to_string(need) + ", has " + std::to_string(button.width())});
    }
    checkContrast(button, text, std::nullopt, image,
                  QRect(at + button.mapTo(&root, QPoint(0, 0)), button.size()), root);
}

}  // namespace

double contrastRatio(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void inspectTexts(QWidget& root, const QImage& image, QPoint at) {
    // Under another widget all over (a dimming layer, a panel sliding over the page) a text is not
    // what the user reads; the widget on top is checked itself. A widget that lets clicks through
    // does not count as covering, nor does one the text lies in or that lies in the text's widget.
    const auto covered = [&root](const QWidget* w) {
        const QRect r = QRect(w->mapTo(&root, QPoint(0, 0)), w->size()).adjusted(1, 1, -1, -1);
        for (const QPoint p : {r.center(), r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            const QWidget* top = root.childAt(p);
            if (!top || top == w || w->isAncestorOf(top) || top->isAncestorOf(w)) return false;
        }
        return true;
    };
    const auto visible = [&root, &covered](const QWidget* w) {
        if (!w->isVisibleTo(&root) || !w->isEnabled() || w->width() <= 0 || w->height() <= 0) return false;
        // Outside the window's picture (scrolled away or pushed off) is not shown.
        const QRect inRoot(w->mapTo(&root, QPoint(0, 0)), w->size());
        return inRoot.intersects(root.rect()) && !covered(w);
    };
    for (auto* label : root.findChildren<QLabel*>())
        if (visible(label) && label->pixmap().isNull() && !label->movie()) inspectLabel(*label, image, at, root);
    for (auto* button : root.findChildren<QAbstractButton*>())
        if (visible(button)) inspectButton(*button, image, at, root);
}

void inspectWindowWidth(const QWidget& window) {
    constexpr int kWidest = 760;
    if (window.width() <= kWidest) return;
    const std::string name = window.objectName().isEmpty() ? window.metaObject()->className() : window.objectName().toStdString();
    found().push_back({"grown", name, std::to_string(window.width()) + " wide, the page may take " + std::to_string(kWidest)});
}

std::vector<Offender> takeOffenders() {
    std::vector<Offender> out;
    out.swap(found());
    return out;
}

}  // namespace morvex::shots
