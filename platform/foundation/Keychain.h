#pragma once
// Secret items under a key prefix: the real item name is the prefix followed by the key.
//
// Items live in the desktop's Secret Service (through libsecret) when the session bus offers one
// whose default collection exists and is unlocked, otherwise in a file of our own (mode 0600) in
// the configuration directory; a service passed over for want of such a collection is named once
// in the log. The choice is made once per process; MORVEX_KEYCHAIN=file forces the file, and
// MORVEX_KEYCHAIN=secret-service the service (still only with a usable collection).
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace morvex {

class Keychain {
public:
    enum class Backend { Automatic, SecretService, File };
    // When the item may be read; kept for callers that name it, both stores treat it alike.
    enum class Access { WhenUnlocked, AfterFirstUnlock, Always };

    explicit Keychain(std::string keyPrefix = {});

    const std::string& keyPrefix() const { return prefix_; }

    std::optional<std::string> get(std::string_view key) const;
    std::optional<Bytes> getData(std::string_view key) const;
    std::optional<bool> getBool(std::string_view key) const;

    bool set(std::string_view value, std::string_view key, Access access = Access::WhenUnlocked);
    bool set(const char* value, std::string_view key, Access access = Access::WhenUnlocked) {
        return set(std::string_view(value), key, access);
    }
    bool set(const std::string& value, std::string_view key, Access access = Access::WhenUnlocked) {
        return set(std::string_view(value), key, access);
    }
    bool set(const Bytes& value, std::string_view key, Access access = Access::WhenUnlocked);
    bool set(bool value, std::string_view key, Access access = Access::WhenUnlocked);

    // Removes the item; removing an item that does not exist succeeds.
    bool deleteItem(std::string_view key);
    // Removes every item under this wrapper's prefix.
    bool clear();

    // The store in use by this process.
    static Backend activeBackend();
    // Overrides the choice for this process (tests).
    static void setBackend(Backend backend);

private:
    std::string fullKey(std::string_view key) const { return prefix_ + std::string(key); }
    std::string prefix_;
};

}  // namespace morvex
