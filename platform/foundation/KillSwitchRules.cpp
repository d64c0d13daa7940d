#include "foundation/KillSwitchRules.h"

#include <arpa/inet.h>

namespace morvex::killswitch {

namespace {

// The words of an nft script with comments dropped; a quoted string is one word, quotes kept.
// Nothing when a string is left open or holds a control character.
std::optional<std::vector<std::string_view>> tokens(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    constexpr std::string_view separators = " \t\r\n\\#\"{};";
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\\') {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        if (c == '"') {
            const auto end = text.find('"', i + 1);
            if (end == std::string_view::npos) return std::nullopt;
            for (std::size_t k = i + 1; k < end; ++k)
                if (static_cast<unsigned char>(text[k]) < 0x20 || text[k] == 0x7f) return std::nullopt;
            out.push_back(text.substr(i, end - i + 1));
            i = end + 1;
            continue;
        }
        if (c == '{' || c == '}' || c == ';') {
            out.push_back(text.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && separators.find(text[j]) == std::string_view::npos) ++j;
        out.push_back(text.substr(i, j - i));
        i = j;
    }
    return out;
}

bool isDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<std::uint16_t> portNumber(std::string_view s) {
    if (!isDigits(s) || s.size() > 5 || s[0] == '0') return std::nullopt;
    unsigned long v = 0;
    for (char c : s) v = v * 10 + static_cast<unsigned long>(c - '0');
    if (v == 0 || v > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(v);
}

std::optional<std::string_view> unquoted(std::string_view word) {
    if (word.size() < 2 || word.front() != '"' || word.back() != '"') return std::nullopt;
    return word.substr(1, word.size() - 2);
}

bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

constexpr std::string_view kCommentPrefix = "server ";

// Walks the words of one rules text, statement by statement.
class Reader {
public:
    Reader(const std::vector<std::string_view>& words, std::string_view table) : words_(words), table_(table) {}

    Parsed read() {
        Intent intent;
        for (std::string_view w : {std::string_view("table"), kFamily, table_, std::string_view("{"),
                                   std::string_view("chain"), std::string_view("output"), std::string_view("{")})
            if (!expect(w)) return failure();
        for (std::string_view w : {"type", "filter", "hook", "output", "priority", "0", ";", "policy", "drop", ";"})
            if (!expect(w)) return failure();
        for (;;) {
            if (atEnd()) return fail("the rules end inside the chain");
            const std::string_view w = next();
            if (w == "}") break;
            if (w == ";") continue;
            bool ok = false;
            if (w == "oif") ok = loopback(intent);
            else if (w == "ip" || w == "ip6") ok = server(intent, w == "ip6");
            else if (w == "oifname") ok = tunnel(intent);
            else return fail("unexpected \"" + std::string(w) + "\" in the chain");
            if (!ok) return failure();
        }
        if (!expect("}")) return failure();
        while (!atEnd())
            if (next() != ";") return fail("the rules go on after the table");
        return {std::move(intent), {}};
    }

private:
    bool atEnd() const { return at_ >= words_.size(); }
    std::string_view next() { return words_[at_++]; }
    std::string_view peek() const { return atEnd() ? std::string_view() : words_[at_]; }

    bool expect(std::string_view word) {
        if (!atEnd() && words_[at_] == word) {
            ++at_;
            return true;
        }
        problem_ = "expected \"" + std::string(word) + "\"" +
                   (atEnd() ? std::string(" at the end") : " instead of \"" + std::string(words_[at_]) + "\"");
        return false;
    }
    Parsed fail(std::string problem) {
        problem_ = std::move(problem);
        return failure();
    }
    Parsed failure() const { return {std::nullopt, problem_}; }
    bool refuse(std::string problem) {
        problem_ = std::move(problem);
        return false;
    }

    bool loopback(Intent& intent) {
        if (atEnd()) return refuse("the rules end inside a statement");
        const std::string_view name = next();
        if (name != "\"lo\"" && name != "lo") return refuse("only loopback may be named by oif");
        if (!expect("accept")) return false;
        if (intent.loopback) return refuse("loopback is let through twice");
        intent.loopback = true;
        return true;
    }

    bool server(Intent& intent, bool v6) {
        if (intent.server) return refuse("a second server address");
        if (!expect("daddr")) return false;
        if (atEnd()) return refuse("the rules end inside a statement");
        const std::string_view text = next();
        const auto address = canonicalAddress(text);
        if (!address) return refuse("not an address: \"" + std::string(text) + "\"");
        if ((address->find(':') != std::string::npos) != v6) return refuse("the address is not of the family named");
        Server s;
        s.address = *address;
        if (peek() == "tcp" || peek() == "udp") {
            s.transport = next() == "tcp" ? Transport::tcp : Transport::udp;
            if (!expect("dport")) return false;
            if (atEnd()) return refuse("the rules end inside a statement");
            const std::string_view port = next();
            const auto number = portNumber(port);
            if (!number) return refuse("not a port: \"" + std::string(port) + "\"");
            s.port = *number;
        }
        if (!expect("accept")) return false;
        if (peek() == "comment") {
            next();
            const std::optional<std::string_view> comment = atEnd() ? std::nullopt : unquoted(next());
            if (!comment || !comment->starts_with(kCommentPrefix) ||
                !isProtocolName(comment->substr(kCommentPrefix.size())))
                return refuse("the server's comment must be \"server\" and the protocol's name");
            s.protocol = std::string(comment->substr(kCommentPrefix.size()));
        }
        intent.server = std::move(s);
        return true;
    }

    bool tunnel(Intent& intent) {
        if (atEnd()) return refuse("the rules end inside a statement");
        const std::string_view word = next();
        const auto name = unquoted(word);
        if (!name || !isInterfacePattern(*name)) return refuse("not an interface name: " + std::string(word));
        if (!expect("accept")) return false;
        for (const auto& t : intent.tunnels)
            if (t == *name) return refuse("the interface " + std::string(*name) + " is named twice");
        if (intent.tunnels.size() == kMaxTunnels) return refuse("too many tunnel interfaces");
        intent.tunnels.emplace_back(*name);
        return true;
    }

    const std::vector<std::string_view>& words_;
    std::string_view table_;
    std::size_t at_ = 0;
    std::string problem_;
};

}  // namespace

std::optional<std::string> canonicalAddress(std::string_view text) {
    if (text.empty() || text.size() > INET6_ADDRSTRLEN) return std::nullopt;
    const std::string s(text);
    unsigned char buf[16];
    char out[INET6_ADDRSTRLEN];
    if (::inet_pton(AF_INET, s.c_str(), buf) == 1) {
        if (!::inet_ntop(AF_INET, buf, out, sizeof out)) return std::nullopt;
        return std::string(out);
    }
    if (::inet_pton(AF_INET6, s.c_str(), buf) == 1) {
        if (!::inet_ntop(AF_INET6, buf, out, sizeof out)) return std::nullopt;
        return std::string(out);
    }
    return std::nullopt;
}

bool isInterfacePattern(std::string_view name) {
    if (name.ends_with('*')) name.remove_suffix(1);
    if (name.empty() || name.size() > kMaxInterfaceName) return false;
    for (char c : name)
        if (!isLetterOrDigit(c) && c != '_' && c != '.' && c != '-') return false;
    return true;
}

bool isProtocolName(std::string_view name) {
    if (name.size() > kMaxProtocolName) return false;
    for (char c : name)
        if (!isLetterOrDigit(c)) return false;
    return true;
}

Parsed parseRules(std::string_view text, std::string_view table) {
    const auto words = tokens(text);
    if (!words) return {std::nullopt, "the rules hold an unterminated string or a control character"};
    return Reader(*words, table).read();
}

std::string writeRules(const Intent& intent, std::string_view table) {
    std::string rules = "table " + std::string(kFamily) + " " + std::string(table) + " {\n";
    rules += "\tchain output {\n";
    rules += "\t\ttype filter hook output priority 0; policy drop;\n";
    if (intent.loopback) rules += "\t\toif \"lo\" accept\n";
    if (const auto& s = intent.server) {
        rules += std::string("\t\t") + (s->address.find(':') != std::string::npos ? "ip6" : "ip") + " daddr " + s->address;
        if (s->transport)
            rules += std::string(*s->transport == Transport::tcp ? " tcp" : " udp") + " dport " + std::to_string(s->port);
        rules += " accept comment \"" + std::string(kCommentPrefix) + s->protocol + "\"\n";
    }
    for (const auto& t : intent.tunnels) rules += "\t\toifname \"" + t + "\" accept\n";
    rules += "\t}\n}\n";
    return rules;
}

}  // namespace morvex::killswitch
