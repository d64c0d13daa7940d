#pragma once
// The preferences store's file format, apart from any file: a magic line, then one record per set
// or removal, each [u32 payload length][u32 CRC-32 of the payload][payload], little-endian, where
// the payload is CBOR {"k": key, "v": tagged value} ("v" absent for a removal).
//
// Reading never throws and never trusts a length: a record is whole only when its checksum
// matches. The one thing read quietly as "not there" is a torn last record, which the file ends
// inside of (a set cut off by a kill or a full disk, which never returned); any other record that
// does not read — a bad checksum, a length that does not match its record, a payload that does not
// parse, nests too deeply or holds no key — is damage, and reading stops there.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/Value.h"

namespace morvex::defaults {

inline constexpr std::string_view kJournalMagic = "MORVEX-DEFAULTS 1\n";
inline constexpr std::size_t kRecordHeader = 8;
inline constexpr std::size_t kMaxRecord = 256u << 20;

// The whole record (header included) that sets `key` to `value`, or removes it when `value` is null.
std::string encodeRecord(std::string_view key, const Value* value);

// Records larger than this, read from a file held whole (readJournal's second form), have their
// key read and their value only checked to be one well-formed item: the value is read on first use
// (readUnread). A start then reads the file without unpacking the large cached lists in it.
inline constexpr std::size_t kReadOnUseBytes = 64u << 10;

struct JournalEntry {
    Value value;
    std::size_t recordSize = 0;  // of the record that set it, header included
    // A value not read yet: its CBOR item, inside the file's bytes, which are held as long as any
    // of their values is unread.
    std::shared_ptr<const std::string> file;
    std::string_view item;
    bool unread() const { return file != nullptr; }
};

struct JournalContents {
    std::unordered_map<std::string, JournalEntry> values;  // what the whole records leave
    std::size_t end = 0;      // bytes up to the end of the last whole record read
    bool tornTail = false;    // the file ends inside its last record
    std::string damage;       // why reading stopped early; empty when it did not
};

JournalContents readJournal(std::string_view data);
// The same, leaving large values unread (kReadOnUseBytes); the entries keep `data` for them.
JournalContents readJournal(const std::shared_ptr<const std::string>& data);
// Reads an entry's unread value into it; false, with the entry left unread, when the value is
// not a value (the record was written whole, so only a fault of the writer gets here).
bool readUnread(JournalEntry& entry);

}  // namespace morvex::defaults
