#include "foundation/Keychain.h"

#include <fcntl.h>
#include <libsecret/secret.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

#include "foundation/Codec.h"
#include "foundation/KeychainFile.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/SharedLibrary.h"

namespace morvex {

namespace {

std::mutex g_mutex;  // guards the backend choice and the file store
Keychain::Backend g_backend = Keychain::Backend::Automatic;

std::filesystem::path storeFile();

// libsecret and the GLib object libraries under it are loaded the first time the Secret Service is
// asked for, not at start-up: most runs keep their items in the file store or touch the keychain
// only after the first window, and mapping and relocating those libraries would delay every start.
// Only the header's types and constants are compiled in; every function is looked up here.
struct SecretLibrary {
    decltype(&::secret_service_get_sync) serviceGetSync = nullptr;
    decltype(&::secret_collection_for_alias_sync) collectionForAliasSync = nullptr;
    decltype(&::secret_collection_get_locked) collectionGetLocked = nullptr;
    decltype(&::secret_password_lookup_binary_sync) lookupBinarySync = nullptr;
    decltype(&::secret_password_store_binary_sync) storeBinarySync = nullptr;
    decltype(&::secret_password_clear_sync) clearSync = nullptr;
    decltype(&::secret_password_searchv_sync) searchvSync = nullptr;
    decltype(&::secret_retrievable_get_attributes) retrievableGetAttributes = nullptr;
    decltype(&::secret_value_new) valueNew = nullptr;
    decltype(&::secret_value_get) valueGet = nullptr;
    decltype(&::secret_value_unref) valueUnref = nullptr;
    decltype(&::g_error_free) errorFree = nullptr;
    decltype(&::g_object_unref) objectUnref = nullptr;
    decltype(&::g_hash_table_new) hashTableNew = nullptr;
    decltype(&::g_hash_table_lookup) hashTableLookup = nullptr;
    decltype(&::g_hash_table_unref) hashTableUnref = nullptr;
    decltype(&::g_list_free_full) listFreeFull = nullptr;
    decltype(&::g_str_hash) strHash = nullptr;
    decltype(&::g_str_equal) strEqual = nullptr;
    std::string failure;  // why the library is not there; empty once it is
};

// The library, loaded once; nullptr (and `why` says why) when it cannot be loaded or lacks a
// function, in which case the items go to the file store.
const SecretLibrary* secretLibrary(std::string* why = nullptr) {
    static const SecretLibrary library = [] {
        SecretLibrary l;
        SharedLibrary secret("libsecret-1.so.0");  // the handle stays open for the rest of the run
        secret.find(l.serviceGetSync, "secret_service_get_sync");
        secret.find(l.collectionForAliasSync, "secret_collection_for_alias_sync");
        secret.find(l.collectionGetLocked, "secret_collection_get_locked");
        secret.find(l.lookupBinarySync, "secret_password_lookup_binary_sync");
        secret.find(l.storeBinarySync, "secret_password_store_binary_sync");
        secret.find(l.clearSync, "secret_password_clear_sync");
        secret.find(l.searchvSync, "secret_password_searchv_sync");
        secret.find(l.retrievableGetAttributes, "secret_retrievable_get_attributes");
        secret.find(l.valueNew, "secret_value_new");
        secret.find(l.valueGet, "secret_value_get");
        secret.find(l.valueUnref, "secret_value_unref");
        // GLib's own functions, from the libraries libsecret brought in.
        secret.find(l.errorFree, "g_error_free");
        secret.find(l.objectUnref, "g_object_unref");
        secret.find(l.hashTableNew, "g_hash_table_new");
        secret.find(l.hashTableLookup, "g_hash_table_lookup");
        secret.find(l.hashTableUnref, "g_hash_table_unref");
        secret.find(l.listFreeFull, "g_list_free_full");
        secret.find(l.strHash, "g_str_hash");
        secret.find(l.strEqual, "g_str_equal");
        l.failure = secret.failure();
        return l;
    }();
    if (!library.failure.empty()) {
        if (why) *why = library.failure;
        return nullptr;
    }
    return &library;
}

// Whether the Secret Service's default collection takes items without asking the user anything:
// it must exist and be unlocked. A service with no login collection (a keyring daemon started
// without one) or a locked one would fail every write or raise an unlock dialog for each item, so
// the items go to the file store instead. Only reads the alias and the collection's state: never
// prompts, never creates anything.
bool defaultCollectionUsable(std::string& why) {
    const SecretLibrary* secret = secretLibrary(&why);
    if (!secret) return false;
    GError* error = nullptr;
    SecretService* service = secret->serviceGetSync(SECRET_SERVICE_NONE, nullptr, &error);
    if (!service) {
        why = error ? error->message : "no service";
        if (error) secret->errorFree(error);
        return false;
    }
    SecretCollection* collection =
        secret->collectionForAliasSync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    secret->objectUnref(service);
    if (!collection) {
        why = error ? error->message : "it has no default collection";
        if (error) secret->errorFree(error);
        return false;
    }
    const bool locked = secret->collectionGetLocked(collection);
    secret->objectUnref(collection);
    if (locked) why = "its default collection is locked";
    return !locked;
}

// The Secret Service when its default collection is usable; otherwise the file store, said once.
Keychain::Backend secretServiceOrFile() {
    std::string why;
    if (defaultCollectionUsable(why)) return Keychain::Backend::SecretService;
    log::nslog("Keychain: the Secret Service cannot keep items without asking (" + why +
               "); keeping them in the private file " + storeFile().string() + " (mode 0600) instead");
    return Keychain::Backend::File;
}

Keychain::Backend resolveBackend() {
    if (g_backend != Keychain::Backend::Automatic) return g_backend;
    const char* forced = std::getenv("MORVEX_KEYCHAIN");
    if (forced && std::string_view(forced) == "file") return g_backend = Keychain::Backend::File;
    if (forced && std::string_view(forced) == "secret-service") return g_backend = secretServiceOrFile();
    g_backend = Keychain::Backend::File;
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus && *bus) {
        auto connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "morvex-keychain-probe");
        if (connection.isConnected()) {
            auto* iface = connection.interface();
            const QString name = "org.freedesktop.secrets";
            if (iface->isServiceRegistered(name).value() || iface->activatableServiceNames().value().contains(name))
                g_backend = Keychain::Backend::SecretService;
        }
        QDBusConnection::disconnectFromBus("morvex-keychain-probe");
    }
    if (g_backend == Keychain::Backend::SecretService) g_backend = secretServiceOrFile();
    return g_backend;
}

// --- file store -------------------------------------------------------------------------------

std::filesystem::path storeFile() { return paths::configDirectory() / "keychain.json"; }

// The items, or nothing when the store exists but cannot be read: writing over a store we could
// not read would lose every other item in it.
std::optional<nlohmann::json> readStore() {
    int fd = ::open(storeFile().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return nlohmann::json::object();
        log::nslog("Keychain: cannot read the item store " + storeFile().string() + ": " + std::strerror(errno));
        return std::nullopt;
    }
    std::string text;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            log::nslog("Keychain: cannot read the item store " + storeFile().string() + ": " + std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    auto j = keychainfile::parseItems(text);
    if (!j) {
        auto aside = paths::moveAside(storeFile());
        if (!aside) {
            log::nslog("Keychain: item store is damaged (" + j.error() + ") and cannot be moved aside");
            return std::nullopt;
        }
        log::nslog("Keychain: item store is damaged (" + j.error() + "); moved aside to " + aside->string());
        return nlohmann::json::object();
    }
    return std::move(*j);
}

bool writeStore(const nlohmann::json& j) {
    return paths::writeFileAtomically(storeFile(), keychainfile::encodeItems(j), 0600);
}

// --- Secret Service ---------------------------------------------------------------------------

const SecretSchema* schema() {
    static const SecretSchema s = {
        "com.morvex.vpn.Keychain",
        SECRET_SCHEMA_NONE,
        {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &s;
}

void logError(const SecretLibrary& secret, const char* what, GError* error) {
    if (!error) return;
    log::nslog(std::string("Keychain: ") + what + " failed: " + error->message);
    secret.errorFree(error);
}

// The library, or nullptr with the reason logged: the Secret Service was chosen (or set) while
// libsecret cannot be loaded, so the call fails as an unreachable service would.
const SecretLibrary* secretLibraryFor(const char* what) {
    std::string why;
    const SecretLibrary* secret = secretLibrary(&why);
    if (!secret) log::nslog(std::string("Keychain: ") + what + " failed: " + why);
    return secret;
}

std::optional<Bytes> secretGet(const std::string& key) {
    const SecretLibrary* secret = secretLibraryFor("lookup");
    if (!secret) return std::nullopt;
    GError* error = nullptr;
    SecretValue* value = secret->lookupBinarySync(schema(), nullptr, &error, "account", key.c_str(), nullptr);
    if (error) {
        logError(*secret, "lookup", error);
        return std::nullopt;
    }
    if (!value) return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret->valueGet(value, &length);
    Bytes out(reinterpret_cast<const std::uint8_t*>(bytes), reinterpret_cast<const std::uint8_t*>(bytes) + length);
    secret->valueUnref(value);
    return out;
}

bool secretSet(const std::string& key, const Bytes& data) {
    const SecretLibrary* secret = secretLibraryFor("store");
    if (!secret) return false;
    GError* error = nullptr;
    SecretValue* value = secret->valueNew(reinterpret_cast<const gchar*>(data.data()),
                                          static_cast<gssize>(data.size()), "application/octet-stream");
    std::string label = "MorvexVPN: " + key;
    gboolean ok = secret->storeBinarySync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), value,
                                          nullptr, &error, "account", key.c_str(), nullptr);
    secret->valueUnref(value);
    logError(*secret, "store", error);
    return ok;
}

bool secretDelete(const std::string& key) {
    const SecretLibrary* secret = secretLibraryFor("delete");
    if (!secret) return false;
    GError* error = nullptr;
    secret->clearSync(schema(), nullptr, &error, "account", key.c_str(), nullptr);
    if (error) {
        logError(*secret, "delete", error);
        return false;
    }
    return true;  // a missing item is not an error
}

bool secretClearPrefix(const std::string& prefix) {
    const SecretLibrary* secret = secretLibraryFor("search");
    if (!secret) return false;
    GError* error = nullptr;
    GHashTable* attributes = secret->hashTableNew(secret->strHash, secret->strEqual);
    GList* items = secret->searchvSync(schema(), attributes, SECRET_SEARCH_ALL, nullptr, &error);
    secret->hashTableUnref(attributes);
    if (error) {
        logError(*secret, "search", error);
        return false;
    }
    bool ok = true;
    for (GList* l = items; l; l = l->next) {
        auto* item = static_cast<SecretRetrievable*>(l->data);
        GHashTable* attrs = secret->retrievableGetAttributes(item);
        const char* account = static_cast<const char*>(secret->hashTableLookup(attrs, "account"));
        if (account && std::string_view(account).starts_with(prefix)) ok = secretDelete(account) && ok;
        secret->hashTableUnref(attrs);
    }
    secret->listFreeFull(items, secret->objectUnref);
    return ok;
}

}  // namespace

Keychain::Keychain(std::string keyPrefix) : prefix_(std::move(keyPrefix)) {}

Keychain::Backend Keychain::activeBackend() {
    std::lock_guard lock(g_mutex);
    return resolveBackend();
}

void Keychain::setBackend(Backend backend) {
    std::lock_guard lock(g_mutex);
    g_backend = backend;
}

std::optional<Bytes> Keychain::getData(std::string_view key) const {
    std::lock_guard lock(g_mutex);
    auto full = fullKey(key);
    if (resolveBackend() == Backend::SecretService) return secretGet(full);
    auto store = readStore();
    if (!store) return std::nullopt;
    auto it = store->find(full);
    if (it == store->end() || !it->is_string()) return std::nullopt;
    return base64Decode(it->get<std::string>());
}

std::optional<std::string> Keychain::get(std::string_view key) const {
    auto data = getData(key);
    if (!data) return std::nullopt;
    return toString(*data);
}

std::optional<bool> Keychain::getBool(std::string_view key) const {
    auto data = getData(key);
    if (!data || data->size() != 1) return std::nullopt;
    return (*data)[0] == 1;
}

bool Keychain::set(const Bytes& value, std::string_view key, Access) {
    std::lock_guard lock(g_mutex);
    auto full = fullKey(key);
    if (resolveBackend() == Backend::SecretService) return secretSet(full, value);
    auto store = readStore();
    if (!store) return false;
    (*store)[full] = base64Encode(value);
    return writeStore(*store);
}

bool Keychain::set(std::string_view value, std::string_view key, Access access) {
    return set(toBytes(value), key, access);
}

bool Keychain::set(bool value, std::string_view key, Access access) {
    return set(Bytes{static_cast<std::uint8_t>(value ? 1 : 0)}, key, access);
}

bool Keychain::deleteItem(std::string_view key) {
    std::lock_guard lock(g_mutex);
    auto full = fullKey(key);
    if (resolveBackend() == Backend::SecretService) return secretDelete(full);
    auto store = readStore();
    if (!store) return false;
    if (!store->contains(full)) return true;
    store->erase(full);
    return writeStore(*store);
}

bool Keychain::clear() {
    std::lock_guard lock(g_mutex);
    if (resolveBackend() == Backend::SecretService) return secretClearPrefix(prefix_);
    auto store = readStore();
    if (!store) return false;
    for (auto it = store->begin(); it != store->end();) {
        if (std::string_view(it.key()).starts_with(prefix_)) it = store->erase(it);
        else ++it;
    }
    return writeStore(*store);
}

}  // namespace morvex
