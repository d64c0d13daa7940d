#pragma once
// The rule every ticket form applies when its text changes: an empty text leaves the model as it
// was; a text longer than the model's limit is cut back to the limit (counted in characters as the
// user sees them) and the character-limit alert is shown; what the entry then holds becomes the
// model's message.
#include <QPlainTextEdit>

#include "viewmodels/SupportTicketModel.h"

namespace morvex::support {

void applyTicketTextRule(QPlainTextEdit& entry, SupportTicketModel& model);
// The text with blanks and line breaks taken from both ends.
bool isBlank(const QString& text);

}  // namespace morvex::support
