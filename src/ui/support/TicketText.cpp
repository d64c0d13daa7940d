#include "ui/support/TicketText.h"

#include <QSignalBlocker>
#include <QTextCursor>

#include "alerts/Alert.h"

namespace morvex::support {

void applyTicketTextRule(QPlainTextEdit& entry, SupportTicketModel& model) {
    const QString text = entry.toPlainText();
    if (text.isEmpty()) return;
    if (SupportTicketModel::perceivedLength(text) > model.limit) {
        {
            // The cut is no new change of the user's: it must not run this rule again.
            const QSignalBlocker quiet(entry);
            entry.setPlainText(SupportTicketModel::perceivedPrefix(text, model.limit));
            entry.moveCursor(QTextCursor::End);
        }
        Alert().showCharacterLimitExceeded();
    }
    model.message = entry.toPlainText().toStdString();
}

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace morvex::support
