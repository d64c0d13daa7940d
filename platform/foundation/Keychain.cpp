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

namespace morvex {

namespace {

std::mutex g_mutex;  // guards the backend choice and the file store
Keychain::Backend g_backend = Keychain::Backend::Automatic;

std::filesystem::path storeFile();

// Whether the Secret Service's default collection takes items without asking the user anything:
// it must exist and be unlocked. A service with no login collection (a keyring daemon started
// without one) or a locked one would fail every write or raise an unlock dialog for each item, so
// the items go to the file store instead. Only reads the alias and the collection's state: never
// prompts, never creates anything.
bool defaultCollectionUsable(std::string& why) {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (!service) {
        why = error ? error->message : "no service";
        if (error) g_error_free(error);
        return false;
    }
    SecretCollection* collection =
        secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    g_object_unref(service);
    if (!collection) {
        why = error ? error->message : "it has no default collection";
        if (error) g_error_free(error);
        return false;
    }
    const bool locked = secret_collection_get_locked(collection);
    g_object_unref(collection);
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

void logError(const char* what, GError* error) {
    if (!error) return;
    log::nslog(std::string("Keychain: ") + what + " failed: " + error->message);
    g_error_free(error);
}

std::optional<Bytes> secretGet(const std::string& key) {
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(schema(), nullptr, &error, "account", key.c_str(), nullptr);
    if (error) {
        logError("lookup", error);
        return std::nullopt;
    }
    if (!value) return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    Bytes out(reinterpret_cast<const std::uint8_t*>(bytes), reinterpret_cast<const std::uint8_t*>(bytes) + length);
    secret_value_unref(value);
    return out;
}

bool secretSet(const std::string& key, const Bytes& data) {
    GError* error = nullptr;
    SecretValue* value = secret_value_new(reinterpret_cast<const gchar*>(data.data()),
                                          static_cast<gssize>(data.size()), "application/octet-stream");
    std::string label = "MorvexVPN: " + key;
    gboolean ok = secret_password_store_binary_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), value,
                                                    nullptr, &error, "account", key.c_str(), nullptr);
    secret_value_unref(value);
    logError("store", error);
    return ok;
}

bool secretDelete(const std::string& key) {
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "account", key.c_str(), nullptr);
    if (error) {
        logError("delete", error);
        return false;
    }
    return true;  // a missing item is not an error
}

bool secretClearPrefix(const std::string& prefix) {
    GError* error = nullptr;
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    GList* items = secret_password_searchv_sync(schema(), attributes, SECRET_SEARCH_ALL, nullptr, &error);
    g_hash_table_unref(attributes);
    if (error) {
        logError("search", error);
        return false;
    }
    bool ok = true;
    for (GList* l = items; l; l = l->next) {
        auto* item = static_cast<SecretRetrievable*>(l->data);
        GHashTable* attrs = secret_retrievable_get_attributes(item);
        const char* account = static_cast<const char*>(g_hash_table_lookup(attrs, "account"));
        if (account && std::string_view(account).starts_with(prefix)) ok = secretDelete(account) && ok;
        g_hash_table_unref(attrs);
    }
    g_list_free_full(items, g_object_unref);
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
