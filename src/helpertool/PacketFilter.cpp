#include "PacketFilter.h"

#include <vector>

#include "HelperLog.h"
#include "foundation/Paths.h"

namespace morvex::helper {

namespace {

// The words of an nft script with comments dropped; quoted strings stay one word.
std::optional<std::vector<std::string>> tokens(std::string_view text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\\') { ++i; continue; }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        if (c == '"') {
            const auto end = text.find('"', i + 1);
            if (end == std::string_view::npos) return std::nullopt;
            out.emplace_back(text.substr(i, end - i + 1));
            i = end + 1;
            continue;
        }
        if (c == '{' || c == '}' || c == ';') {
            out.emplace_back(1, c);
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && std::string_view(" \t\r\n\\#\"{};").find(text[j]) == std::string_view::npos) ++j;
        out.emplace_back(text.substr(i, j - i));
        i = j;
    }
    return out;
}

}  // namespace

std::optional<std::string> PacketFilter::rulesProblem(std::string_view text, std::string_view table) {
    const auto words = tokens(text);
    if (!words) return "the rules hold an unterminated string";
    int depth = 0;
    bool sawTable = false;
    for (std::size_t i = 0; i < words->size(); ++i) {
        const auto& w = (*words)[i];
        if (w == "include") return "the rules may not include other files";
        if (depth == 0) {
            if (w == ";") continue;
            if (w == "table" && i + 3 < words->size() && (*words)[i + 1] == kFirewallFamily &&
                (*words)[i + 2] == table && (*words)[i + 3] == "{") {
                depth = 1;
                sawTable = true;
                i += 3;
                continue;
            }
            return "the rules may only declare the table " + std::string(kFirewallFamily) + " " + std::string(table);
        }
        if (w == "{") ++depth;
        else if (w == "}") --depth;
    }
    if (depth != 0) return "the rules have unbalanced braces";
    if (!sawTable) return "the rules declare no table";
    return std::nullopt;
}

int PacketFilter::disable() const {
    const auto r = runProcess(options_.nft, {"delete", "table", std::string(kFirewallFamily), options_.table});
    if (!r.error.empty()) print(r.error);
    return r.status;
}

int PacketFilter::load(const std::filesystem::path& rulesFile) const {
    const auto text = paths::readFile(rulesFile);
    if (!text) {
        print("cannot read the rules file " + rulesFile.string());
        return 1;
    }
    if (auto problem = rulesProblem(*text, options_.table)) {
        print("rules refused: " + *problem);
        return 1;
    }
    if (rulesFile.string().find('"') != std::string::npos) return 1;
    // One transaction: make sure the table exists, drop it, then declare it afresh from the file.
    const std::string family(kFirewallFamily);
    std::string script = "table " + family + " " + options_.table + "\n";
    script += "delete table " + family + " " + options_.table + "\n";
    script += "include \"" + rulesFile.string() + "\"\n";
    ProcessOptions opts;
    opts.input = std::move(script);
    const auto r = runProcess(options_.nft, {"-f", "-"}, opts);
    if (!r.error.empty()) print(r.error);
    return r.status;
}

ProcessResult PacketFilter::info() const {
    auto r = runProcess(options_.nft, {"list", "table", std::string(kFirewallFamily), options_.table});
    ProcessResult answer;
    answer.status = 0;
    answer.output = std::string(r.status == 0 ? kStatusEnabled : "Status: Disabled") + "\n";
    return answer;
}

ProcessResult PacketFilter::rules() const {
    auto r = runProcess(options_.nft, {"list", "table", std::string(kFirewallFamily), options_.table});
    if (r.status != 0) r.output.clear();
    return r;
}

}  // namespace morvex::helper
