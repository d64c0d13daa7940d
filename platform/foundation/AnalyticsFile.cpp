#include "foundation/AnalyticsFile.h"

#include <charconv>
#include <exception>

#include "foundation/BoundedJson.h"

namespace morvex::analyticsfile {

namespace {

bool isEvent(const nlohmann::json& e) {
    if (!e.is_object()) return false;
    auto p = e.find("properties");
    return p == e.end() || p->is_object();
}

void readEarlierForm(std::string_view text, Contents& out) {
    out.earlierForm = true;
    auto j = json::parseText(text);
    if (!j) {
        out.damage = j.error();
        return;
    }
    auto queue = j->is_object() ? j->find("queue") : j->end();
    if (!j->is_object() || queue == j->end() || !queue->is_array()) {
        out.damage = "no queue";
        return;
    }
    for (const auto& e : *queue) {
        if (isEvent(e)) out.events.push_back(std::make_shared<const std::string>(dump(e)));
        else ++out.notEvents;
    }
    if (auto s = j->find("superProperties"); s != j->end() && s->is_object()) out.superProperties = *s;
    if (auto d = j->find("distinctId"); d != j->end() && d->is_string()) out.distinctId = d->get<std::string>();
}

// One whole line (without its line end); false with the reason in `out.damage` when it does not read.
bool readLine(std::string_view line, Contents& out) {
    if (line.size() < 2 || line[1] != ' ') {
        out.damage = "unreadable line";
        return false;
    }
    const std::string_view body = line.substr(2);
    if (line[0] == 'R') {
        std::size_t count = 0;
        auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), count);
        if (ec != std::errc() || end != body.data() + body.size() || count > out.events.size()) {
            out.damage = "unreadable removal";
            return false;
        }
        out.events.erase(out.events.begin(), out.events.begin() + static_cast<std::ptrdiff_t>(count));
        return true;
    }
    auto j = json::parseText(body);
    if (!j) {
        out.damage = j.error();
        return false;
    }
    switch (line[0]) {
        case 'E':
            if (isEvent(*j)) out.events.push_back(std::make_shared<const std::string>(body));
            else ++out.notEvents;
            return true;
        case 'I':
            if (!j->is_string()) break;
            out.distinctId = j->get<std::string>();
            return true;
        case 'S':
            if (!j->is_object()) break;
            out.superProperties = std::move(*j);
            return true;
        default: break;
    }
    out.damage = "unreadable line";
    return false;
}

}  // namespace

Contents read(std::string_view text) {
    Contents out;
    try {
        const auto first = text.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) return out;  // nothing kept yet
        if (text[first] == '{') {
            readEarlierForm(text, out);
            return out;
        }
        if (!text.starts_with(kMagic)) {
            out.damage = "unknown header";
            return out;
        }
        std::size_t pos = kMagic.size();
        std::size_t lineNumber = 1;
        while (pos < text.size()) {
            ++lineNumber;
            const auto end = text.find('\n', pos);
            if (end == std::string_view::npos) {
                out.tornTail = true;
                break;
            }
            if (!readLine(text.substr(pos, end - pos), out)) {
                out.damage += " on line " + std::to_string(lineNumber);
                break;
            }
            pos = end + 1;
        }
    } catch (const std::exception& e) {
        out.damage = std::string("unreadable (") + e.what() + ")";
    }
    return out;
}

std::string dump(const nlohmann::json& j) { return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

std::string eventLine(std::string_view eventJson) {
    std::string line = "E ";
    line += eventJson;
    line += '\n';
    return line;
}

std::string removedLine(std::size_t count) { return "R " + std::to_string(count) + "\n"; }

std::string identityLine(std::string_view distinctId) { return "I " + dump(nlohmann::json(std::string(distinctId))) + "\n"; }

std::string superPropertiesLine(const nlohmann::json& properties) { return "S " + dump(properties) + "\n"; }

}  // namespace morvex::analyticsfile
