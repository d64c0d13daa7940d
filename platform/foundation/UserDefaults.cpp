#include "foundation/UserDefaults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unordered_map>

#include "foundation/Codec.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

namespace morvex {

// The on-disk form is an append-only journal: a magic line, then one record per set or removal
// ([u32 payload length][u32 CRC-32 of payload][payload as CBOR]). Each set appends one record with
// a single write(2), so a returned set is in the kernel's page cache and survives the process being
// killed, and a set costs the same however large the other values are. When the journal has grown
// well past the live data it is rewritten (to a temporary file, then renamed over the old one).
class UserDefaults::Store {
public:
    Store(std::string suite, std::filesystem::path file) : suite_(std::move(suite)), file_(std::move(file)) {
        load();
    }
    ~Store() {
        if (fd_ >= 0) ::close(fd_);
    }

    const std::string& suite() const { return suite_; }
    const std::filesystem::path& file() const { return file_; }

    std::optional<Value> get(std::string_view key) const {
        std::lock_guard lock(mutex_);
        auto it = values_.find(std::string(key));
        if (it == values_.end()) return std::nullopt;
        return it->second.value;
    }

    std::vector<std::string> keys() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        out.reserve(values_.size());
        for (const auto& [k, _] : values_) out.push_back(k);
        return out;
    }

    Value setIfAbsent(std::string_view key, const Value& value) {
        std::string record = encodeRecord(key, &value);
        std::lock_guard lock(mutex_);
        if (auto it = values_.find(std::string(key)); it != values_.end()) return it->second.value;
        storeLocked(key, &value, record);
        return value;
    }

    void set(std::string_view key, const Value* value) {
        std::string record = encodeRecord(key, value);
        std::lock_guard lock(mutex_);
        storeLocked(key, value, record);
    }

private:
    void storeLocked(std::string_view key, const Value* value, const std::string& record) {
        std::string k(key);
        if (value) {
            auto& entry = values_[k];
            liveBytes_ -= entry.recordSize;
            entry.value = *value;
            entry.recordSize = record.size();
            liveBytes_ += record.size();
        } else {
            auto it = values_.find(k);
            if (it == values_.end()) return;  // nothing to remove, nothing to write
            liveBytes_ -= it->second.recordSize;
            values_.erase(it);
        }
        append(record);
        if (journalBytes_ > 2 * liveBytes_ + kCompactSlack) compact();
    }

    static constexpr char kMagic[] = "MORVEX-DEFAULTS 1\n";
    static constexpr std::size_t kMagicSize = sizeof(kMagic) - 1;
    static constexpr std::size_t kHeader = 8;
    static constexpr std::size_t kMaxRecord = 256u << 20;
    static constexpr std::size_t kCompactSlack = 256u << 10;

    struct Entry {
        Value value;
        std::size_t recordSize = 0;
    };

    static std::string encodeRecord(std::string_view key, const Value* value) {
        nlohmann::json j = {{"k", key}};
        if (value) j["v"] = value->toTaggedJson();
        std::vector<std::uint8_t> payload = nlohmann::json::to_cbor(j);
        std::string out(kHeader + payload.size(), '\0');
        std::uint32_t size = static_cast<std::uint32_t>(payload.size());
        std::uint32_t crc = crc32(payload.data(), payload.size());
        std::memcpy(out.data(), &size, 4);
        std::memcpy(out.data() + 4, &crc, 4);
        std::memcpy(out.data() + kHeader, payload.data(), payload.size());
        return out;
    }

    static bool writeAll(int fd, const char* p, std::size_t n) {
        while (n > 0) {
            ssize_t w = ::write(fd, p, n);
            if (w < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return true;
    }

    void openJournal() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) log::nslog("UserDefaults: cannot open " + file_.string() + ": " + std::strerror(errno));
    }

    void append(const std::string& record) {
        if (fd_ < 0) openJournal();
        if (fd_ < 0) return;
        if (!writeAll(fd_, record.data(), record.size())) {
            log::nslog("UserDefaults: write to " + file_.string() + " failed: " + std::strerror(errno));
            // Part of the record may have reached the file (a full disk); cut it off, or every
            // record appended after it would be read as damage and lost at the next start.
            if (::ftruncate(fd_, static_cast<off_t>(journalBytes_)) != 0) {
                ::close(fd_);
                fd_ = -1;
                compact();
            }
            return;
        }
        journalBytes_ += record.size();
    }

    void compact() {
        std::string contents(kMagic, kMagicSize);
        std::size_t live = 0;
        for (auto& [k, entry] : values_) {
            std::string record = encodeRecord(k, &entry.value);
            entry.recordSize = record.size();
            live += record.size();
            contents += record;
        }
        if (!paths::writeFileAtomically(file_, contents, 0600)) {
            log::nslog("UserDefaults: could not rewrite " + file_.string());
            return;
        }
        liveBytes_ = live;
        journalBytes_ = contents.size();
        openJournal();
    }

    void moveAside(const std::string& why) {
        auto aside = paths::moveAside(file_);
        log::nslog("UserDefaults: store " + file_.string() + " is damaged (" + why + "); " +
                   (aside ? "moved aside to " + aside->string() : std::string("it could not be moved aside")) +
                   ", keeping the " + std::to_string(values_.size()) + " values read before the damage");
    }

    void load() {
        paths::ensureDirectory(file_.parent_path());
        std::ifstream in(file_, std::ios::binary);
        if (!in) {
            compact();  // a fresh store: write the header
            return;
        }
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        std::string damage;
        std::size_t pos = 0;
        if (data.size() < kMagicSize || data.compare(0, kMagicSize, kMagic) != 0) {
            damage = "unknown header";
        } else {
            pos = kMagicSize;
            while (pos < data.size()) {
                if (data.size() - pos < kHeader) break;  // a torn tail: that set never returned
                std::uint32_t size = 0, crc = 0;
                std::memcpy(&size, data.data() + pos, 4);
                std::memcpy(&crc, data.data() + pos + 4, 4);
                if (size > kMaxRecord) {
                    damage = "record of impossible size at offset " + std::to_string(pos);
                    break;
                }
                if (data.size() - pos - kHeader < size) break;  // torn tail
                const auto* payload = reinterpret_cast<const std::uint8_t*>(data.data() + pos + kHeader);
                if (crc32(payload, size) != crc) {
                    damage = "checksum mismatch at offset " + std::to_string(pos);
                    break;
                }
                nlohmann::json j = nlohmann::json::from_cbor(payload, payload + size, true, false);
                if (j.is_discarded() || !j.is_object() || !j.contains("k") || !j["k"].is_string()) {
                    damage = "unreadable record at offset " + std::to_string(pos);
                    break;
                }
                std::string key = j["k"].get<std::string>();
                if (j.contains("v")) {
                    auto v = Value::fromTaggedJson(j["v"]);
                    if (!v) {
                        damage = "unreadable value at offset " + std::to_string(pos);
                        break;
                    }
                    values_[key] = Entry{std::move(*v), kHeader + size};
                } else {
                    values_.erase(key);
                }
                pos += kHeader + size;
            }
        }
        if (!damage.empty()) moveAside(damage);
        // Rewrite when damaged (the old file is aside), when a torn tail must go, or to start
        // with a compact journal; otherwise append to the file as it is.
        liveBytes_ = 0;
        for (const auto& [_, e] : values_) liveBytes_ += e.recordSize;
        if (!damage.empty() || pos != data.size()) {
            compact();
        } else {
            journalBytes_ = data.size();
            openJournal();
        }
    }

    std::string suite_;
    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Entry> values_;
    std::size_t liveBytes_ = 0;
    std::size_t journalBytes_ = 0;
    int fd_ = -1;
};

namespace {
std::mutex g_registryMutex;
// Stores live for the life of the process, as preference domains do, so that making an instance
// never re-reads a file.
std::map<std::filesystem::path, std::shared_ptr<UserDefaults::Store>>& registry() {
    static std::map<std::filesystem::path, std::shared_ptr<UserDefaults::Store>> r;
    return r;
}
constexpr std::string_view kStandardSuite = "standard";

std::shared_ptr<UserDefaults::Store> storeFor(std::string_view suite) {
    auto file = paths::configDirectory() / (std::string(suite) + ".defaults");
    std::lock_guard lock(g_registryMutex);
    auto& slot = registry()[file];
    if (!slot) slot = std::make_shared<UserDefaults::Store>(std::string(suite), file);
    return slot;
}
}  // namespace

UserDefaults UserDefaults::standard() { return UserDefaults(storeFor(kStandardSuite)); }
UserDefaults::UserDefaults(std::string_view suiteName) : store_(storeFor(suiteName)) {}
UserDefaults::UserDefaults(std::shared_ptr<Store> store) : store_(std::move(store)) {}

const std::string& UserDefaults::suiteName() const { return store_->suite(); }
std::filesystem::path UserDefaults::storePath() const { return store_->file(); }

std::optional<Value> UserDefaults::object(std::string_view key) const { return store_->get(key); }

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    return v->toText();
}

std::int64_t UserDefaults::integer(std::string_view key) const {
    auto v = object(key);
    return v ? v->toInteger() : 0;
}

double UserDefaults::doubleValue(std::string_view key) const {
    auto v = object(key);
    return v ? v->toDouble() : 0.0;
}

bool UserDefaults::boolean(std::string_view key) const {
    auto v = object(key);
    return v ? v->toBool() : false;
}

std::optional<Bytes> UserDefaults::data(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->is<Bytes>()) return std::nullopt;
    return *v->get<Bytes>();
}

std::optional<Date> UserDefaults::date(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->is<Date>()) return std::nullopt;
    return *v->get<Date>();
}

std::optional<Array> UserDefaults::array(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->is<Array>()) return std::nullopt;
    return std::move(*v->get<Array>());
}

std::optional<Dictionary> UserDefaults::dictionary(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->is<Dictionary>()) return std::nullopt;
    return std::move(*v->get<Dictionary>());
}

std::optional<std::vector<std::string>> UserDefaults::stringArray(std::string_view key) const {
    auto a = array(key);
    if (!a) return std::nullopt;
    std::vector<std::string> out;
    out.reserve(a->size());
    for (const auto& e : *a) {
        if (!e.is<std::string>()) return std::nullopt;
        out.push_back(*e.get<std::string>());
    }
    return out;
}

void UserDefaults::set(const Value& value, std::string_view key) { store_->set(key, &value); }

void UserDefaults::setString(const std::optional<std::string>& value, std::string_view key) {
    if (value) set(Value(*value), key);
    else removeObject(key);
}

void UserDefaults::removeObject(std::string_view key) { store_->set(key, nullptr); }

Value UserDefaults::setIfAbsent(const Value& value, std::string_view key) { return store_->setIfAbsent(key, value); }

std::vector<std::string> UserDefaults::allKeys() const { return store_->keys(); }

void UserDefaults::releaseStores() {
    std::lock_guard lock(g_registryMutex);
    registry().clear();
}

}  // namespace morvex
