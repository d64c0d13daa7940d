#include "foundation/DefaultsJournal.h"

#include <cstring>
#include <exception>

#include "foundation/BoundedJson.h"
#include "foundation/Codec.h"

namespace morvex::defaults {

namespace {

std::uint32_t readU32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
}

void writeU32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A record whose length runs past the end of the file is torn only when its payload is really cut
// off. When some shorter run of the bytes that follow carries the record's checksum, the payload is
// all there and the length is what was damaged (records after it would be lost silently otherwise).
bool checksumMatchesAShorterRun(const unsigned char* p, std::size_t available, std::uint32_t crc) {
    std::uint32_t running = 0;
    for (std::size_t n = 0; n < available; ++n) {
        running = crc32(p + n, 1, running);
        if (running == crc) return true;
    }
    return false;
}

// The key and value of one payload, or why it is not a record.
std::string decodePayload(const std::uint8_t* payload, std::size_t size, std::string& key,
                          std::optional<Value>& value) {
    auto j = json::parseCbor(payload, size);
    if (!j) return j.error() == json::kTooDeep ? "record nested too deeply" : "unreadable record";
    if (!j->is_object()) return "unreadable record";
    auto k = j->find("k");
    if (k == j->end() || !k->is_string()) return "record without a key";
    key = k->get<std::string>();
    value.reset();
    if (auto v = j->find("v"); v != j->end()) {
        value = Value::fromTaggedJson(*v);
        if (!value) return "unreadable value";
    }
    return {};
}

// The key of a record that sets a value, and where its value item lies, read without unpacking the
// value. False when the payload is not that plain shape (a removal, or anything unusual): such a
// record is read whole.
bool locateValue(const std::uint8_t* payload, std::size_t size, std::string& key, std::string_view& item) {
    json::CborReader in(payload, size);
    unsigned major = 0;
    std::uint64_t entries = 0;
    if (!in.head(major, entries) || major != 5 || entries != 2) return false;
    bool haveKey = false, haveValue = false;
    for (int i = 0; i < 2; ++i) {
        std::string_view name;
        if (!in.text(name)) return false;
        if (name == "k" && !haveKey) {
            std::string_view text;
            if (!in.text(text)) return false;
            key.assign(text);
            haveKey = true;
        } else if (name == "v" && !haveValue) {
            const std::uint8_t* start = in.position();
            if (!in.skip(json::kMaxFileDepth)) return false;
            item = std::string_view(reinterpret_cast<const char*>(start), std::size_t(in.position() - start));
            haveValue = true;
        } else {
            return false;
        }
    }
    return haveKey && haveValue && in.atEnd();
}

JournalContents readRecords(std::string_view data, const std::shared_ptr<const std::string>* held) {
    JournalContents out;
    if (!data.starts_with(kJournalMagic)) {
        out.damage = "unknown header";
        return out;
    }
    std::size_t pos = kJournalMagic.size();
    out.end = pos;
    try {
        while (pos < data.size()) {
            const std::size_t left = data.size() - pos;
            if (left < kRecordHeader) {
                out.tornTail = true;  // not even the header was written whole
                break;
            }
            const std::uint32_t size = readU32(data.data() + pos);
            const std::uint32_t crc = readU32(data.data() + pos + 4);
            const auto* payload = reinterpret_cast<const unsigned char*>(data.data() + pos + kRecordHeader);
            const std::string at = " at offset " + std::to_string(pos);
            if (size > kMaxRecord) {
                out.damage = "record of impossible size" + at;
                break;
            }
            if (left - kRecordHeader < size) {
                if (checksumMatchesAShorterRun(payload, left - kRecordHeader, crc)) {
                    out.damage = "record length does not match its contents" + at;
                } else {
                    out.tornTail = true;
                }
                break;
            }
            if (crc32(payload, size) != crc) {
                out.damage = "checksum mismatch" + at;
                break;
            }
            std::string key;
            std::string_view item;
            if (held && size > kReadOnUseBytes && locateValue(payload, size, key, item)) {
                JournalEntry entry;
                entry.recordSize = kRecordHeader + size;
                entry.file = *held;
                entry.item = item;
                out.values[key] = std::move(entry);
            } else {
                std::optional<Value> value;
                if (auto why = decodePayload(payload, size, key, value); !why.empty()) {
                    out.damage = why + at;
                    break;
                }
                if (value) out.values[key] = JournalEntry{std::move(*value), kRecordHeader + size};
                else out.values.erase(key);
            }
            pos += kRecordHeader + size;
            out.end = pos;
        }
    } catch (const std::exception& e) {
        // Only memory exhaustion is left to throw here; a record that cannot be held is damage too.
        out.damage = std::string("unreadable record (") + e.what() + ") at offset " + std::to_string(pos);
    }
    return out;
}

}  // namespace

std::string encodeRecord(std::string_view key, const Value* value) {
    nlohmann::json j = {{"k", key}};
    if (value) j["v"] = value->toTaggedJson();
    std::vector<std::uint8_t> payload = nlohmann::json::to_cbor(j);
    std::string out(kRecordHeader + payload.size(), '\0');
    writeU32(out.data(), static_cast<std::uint32_t>(payload.size()));
    writeU32(out.data() + 4, crc32(payload.data(), payload.size()));
    std::memcpy(out.data() + kRecordHeader, payload.data(), payload.size());
    return out;
}

JournalContents readJournal(std::string_view data) { return readRecords(data, nullptr); }

JournalContents readJournal(const std::shared_ptr<const std::string>& data) {
    if (!data) return readRecords({}, nullptr);
    return readRecords(*data, &data);
}

bool readUnread(JournalEntry& entry) {
    if (!entry.unread()) return true;
    auto j = json::parseCbor(reinterpret_cast<const std::uint8_t*>(entry.item.data()), entry.item.size());
    if (!j) return false;
    auto value = Value::fromTaggedJson(*j);
    if (!value) return false;
    entry.value = std::move(*value);
    entry.file.reset();
    entry.item = {};
    return true;
}

}  // namespace morvex::defaults
