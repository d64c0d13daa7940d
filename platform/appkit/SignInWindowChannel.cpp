#include "appkit/SignInWindowChannel.h"

#include <QStringDecoder>
#include <algorithm>
#include <utility>

namespace morvex::appkit::signin {

namespace {
// Everything but the separators and the escape itself stays readable; the rest is escaped.
const QByteArray kUnescaped = QByteArrayLiteral("-._~:/?#[]@!$&'()*+,;=");

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
}  // namespace

QByteArray encode(std::string_view verb, const QStringList& fields) {
    QByteArray line(verb.data(), static_cast<qsizetype>(verb.size()));
    for (const QString& field : fields) {
        line += ' ';
        // An empty field is a lone "%", which is no escape of anything else.
        line += field.isEmpty() ? QByteArrayLiteral("%") : field.toUtf8().toPercentEncoding(kUnescaped);
    }
    line += '\n';
    return line;
}

Reader::Reader(std::vector<Verb> accepted, std::size_t maxLine) : accepted_(std::move(accepted)), maxLine_(maxLine) {}

void Reader::fail(std::string error) {
    if (error_.empty()) error_ = std::move(error);
    line_.clear();
}

bool Reader::feed(QByteArrayView bytes) {
    while (!failed() && !bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (static_cast<std::size_t>(line_.size() + piece.size()) > maxLine_) {
            fail("a line longer than " + std::to_string(maxLine_) + " bytes");
            break;
        }
        line_.append(piece);
        if (end < 0) break;
        bytes = bytes.sliced(end + 1);
        const QByteArray line = std::exchange(line_, {});
        parseLine(line);
    }
    return !failed();
}

void Reader::parseLine(const QByteArray& line) {
    for (char c : line)
        if (c < 0x20 || c > 0x7e) {
            fail("a byte that is not printable ASCII");
            return;
        }
    const QList<QByteArray> parts = line.split(' ');
    const std::string verb = parts.front().toStdString();
    auto known = std::ranges::find_if(accepted_, [&](const Verb& v) { return v.name == verb; });
    if (known == accepted_.end()) {
        fail("an unknown message \"" + verb.substr(0, 32) + "\"");
        return;
    }
    if (parts.size() - 1 != known->fields) {
        fail("\"" + verb + "\" with " + std::to_string(parts.size() - 1) + " fields instead of " + std::to_string(known->fields));
        return;
    }
    Message message{verb, {}};
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray& field = parts[i];
        if (field == "%") {
            message.fields.append(QString());
            continue;
        }
        if (field.isEmpty()) {
            fail("an empty field in \"" + verb + "\"");
            return;
        }
        for (qsizetype at = field.indexOf('%'); at >= 0; at = field.indexOf('%', at + 1))
            if (at + 2 >= field.size() || !isHex(field[at + 1]) || !isHex(field[at + 2])) {
                fail("a malformed escape in \"" + verb + "\"");
                return;
            }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(QByteArray::fromPercentEncoding(field));
        if (utf8.hasError()) {
            fail("a field of \"" + verb + "\" that is not UTF-8");
            return;
        }
        message.fields.append(std::move(text));
    }
    messages_.push_back(std::move(message));
}

std::vector<Message> Reader::take() { return std::exchange(messages_, {}); }

}  // namespace morvex::appkit::signin
