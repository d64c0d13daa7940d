#pragma once
// The search field rule of the country lists: at most fifty characters, and of those only the
// space, ASCII letters and digits, in their order. Anything else (punctuation, accents, other
// scripts) is dropped as it is typed or pasted, so the field always shows what is searched for.
#include <QString>

namespace morvex::countries {

inline constexpr int kSearchLimit = 50;

struct SearchEdit {
    QString cut;      // the text cut to the limit
    QString cleaned;  // of that, the allowed characters
};

inline SearchEdit cleanSearchEdit(const QString& typed) {
    SearchEdit edit{typed.left(kSearchLimit), {}};
    for (const QChar c : edit.cut) {
        const char16_t u = c.unicode();
        if (u == u' ' || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9'))
            edit.cleaned.append(c);
    }
    return edit;
}

}  // namespace morvex::countries
