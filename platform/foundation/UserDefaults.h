#pragma once
// Typed key/value preferences, one process-wide store per domain.
//
// Every instance of one domain shares the same store, so a value set through one instance is seen
// by all others at once. Reads never fail: absent or ill-typed entries give the documented empty
// values. A set that has returned true is on disk (in the kernel's hands), so it survives the
// process being killed; one that returned false (a full disk, a value nested deeper than
// kMaxValueDepth) changed nothing, and no read shows it. The first value the disk refuses in a
// process posts kUserDefaultsCannotSaveNotification, so the application can tell the user once
// that its settings cannot be saved. All members are thread-safe.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace morvex {

// Posted (once per process, on the thread whose set failed, with no object) when a value could not
// be written to disk. UserDefaults::cannotSave() answers the same for code that starts later.
inline constexpr std::string_view kUserDefaultsCannotSaveNotification = "MorvexUserDefaultsCannotSaveNotification";

class UserDefaults {
public:
    // The application's own domain.
    static UserDefaults standard();
    // A named domain (a separate store file in the configuration directory).
    explicit UserDefaults(std::string_view suiteName);

    const std::string& suiteName() const;

    // The stored value, or nothing when the key is absent.
    std::optional<Value> object(std::string_view key) const;

    // Typed reads. Numbers convert between each other, numeric text converts to numbers,
    // and a number is written out for `string`. Other kinds give the empty value.
    std::optional<std::string> string(std::string_view key) const;
    std::int64_t integer(std::string_view key) const;    // absent: 0
    double doubleValue(std::string_view key) const;      // absent: 0
    bool boolean(std::string_view key) const;            // absent: false
    std::optional<Bytes> data(std::string_view key) const;
    std::optional<Date> date(std::string_view key) const;
    std::optional<Array> array(std::string_view key) const;
    std::optional<Dictionary> dictionary(std::string_view key) const;
    // Only when every element is text.
    std::optional<std::vector<std::string>> stringArray(std::string_view key) const;

    // True when the value is stored (on disk); false when it was not, and nothing changed.
    bool set(const Value& value, std::string_view key);
    // Text setter where none removes the key.
    bool setString(const std::optional<std::string>& value, std::string_view key);
    bool removeObject(std::string_view key);
    // Stores the value only when the key is absent, atomically with respect to other writers;
    // answers what the key holds afterwards (the value given when the disk refused it: it is then
    // answered for this once but not kept).
    Value setIfAbsent(const Value& value, std::string_view key);

    // True once a value could not be written in this process.
    static bool cannotSave();
    // A store found damaged when it was read in this process: its file was moved aside (to the
    // path answered; empty when it could not be moved) and only the values read before the damage
    // were kept. Answered once, so the application tells the user once; nothing otherwise. Reads
    // the standard store first if nothing has yet.
    static std::optional<std::filesystem::path> takeDamagedStoreNotice();

    std::vector<std::string> allKeys() const;

    // Writes the file afresh with the live values only. The journal keeps a removed or replaced
    // value's old record until it is rewritten; after removing a secret, call this so that no copy
    // of it stays on disk. False when the file could not be rewritten (the journal stays as it was).
    bool rewrite();

    // Where this domain is stored.
    std::filesystem::path storePath() const;

    // Forgets the process-wide stores (instances that exist keep theirs) and the failure above.
    // Tests call this when they move the configuration directory; the next instance reads its file
    // afresh.
    static void releaseStores();

    class Store;

private:
    explicit UserDefaults(std::shared_ptr<Store> store);
    std::shared_ptr<Store> store_;
};

}  // namespace morvex
