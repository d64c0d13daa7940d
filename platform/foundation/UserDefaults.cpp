#include "foundation/UserDefaults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "foundation/DefaultsJournal.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"

namespace morvex {

namespace {
// The damaged store found in this process and not yet told: where its file went (empty when it
// could not be moved).
std::mutex g_damageMutex;
std::optional<std::filesystem::path> g_damagedStore;

void noteDamagedStore(std::filesystem::path aside) {
    std::lock_guard lock(g_damageMutex);
    g_damagedStore = std::move(aside);
}
}  // namespace

// The on-disk form is an append-only journal (DefaultsJournal.h). Each set appends one record with
// a single write(2), so a returned set is in the kernel's page cache and survives the process being
// killed, and a set costs the same however large the other values are. When the journal has grown
// well past the live data it is rewritten (to a temporary file, then renamed over the old one).
//
// What the store holds in memory is always what its file holds: a set changes memory only after
// its record is written, so a set refused by the disk is never read back (nor lost at the next start
// after having been seen).
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
        if (it == values_.end() || !readLocked(it)) return std::nullopt;
        return it->second.value;
    }

    std::vector<std::string> keys() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        out.reserve(values_.size());
        for (const auto& [k, _] : values_) out.push_back(k);
        return out;
    }

    enum class Outcome { Stored, TooDeep, NotWritten };

    // What the key holds afterwards (the value given, when the file refused it).
    std::pair<Value, Outcome> setIfAbsent(std::string_view key, const Value& value) {
        if (tooDeep(key, value)) return {value, Outcome::TooDeep};
        std::string record = defaults::encodeRecord(key, &value);
        std::lock_guard lock(mutex_);
        if (auto it = values_.find(std::string(key)); it != values_.end() && readLocked(it))
            return {it->second.value, Outcome::Stored};
        return {value, storeLocked(key, &value, record) ? Outcome::Stored : Outcome::NotWritten};
    }

    Outcome set(std::string_view key, const Value* value) {
        if (value && tooDeep(key, *value)) return Outcome::TooDeep;
        std::string record = defaults::encodeRecord(key, value);
        std::lock_guard lock(mutex_);
        return storeLocked(key, value, record) ? Outcome::Stored : Outcome::NotWritten;
    }

    bool rewrite() {
        std::lock_guard lock(mutex_);
        return compact();
    }

private:
    using Values = std::unordered_map<std::string, defaults::JournalEntry>;

    // Reads a value left unread when the file was (a large one); one that does not read is left
    // out, as if never set, and said once. False when it was left out.
    bool readLocked(Values::iterator it) const {
        if (defaults::readUnread(it->second)) return true;
        log::nslog("UserDefaults: the value of \"" + it->first + "\" in " + file_.string() +
                   " does not read; it is left out");
        liveBytes_ -= it->second.recordSize;
        values_.erase(it);
        return false;
    }

    bool tooDeep(std::string_view key, const Value& value) const {
        if (!value.nestsDeeperThan(kMaxValueDepth)) return false;
        log::nslog("UserDefaults: not storing \"" + std::string(key) + "\" in " + file_.string() + ": lists nest more than " +
                   std::to_string(kMaxValueDepth) + " levels deep");
        return true;
    }

    bool storeLocked(std::string_view key, const Value* value, const std::string& record) {
        std::string k(key);
        auto it = values_.find(k);
        if (!value && it == values_.end()) return true;  // nothing to remove, nothing to write
        if (!append(record)) return false;
        if (value) {
            if (it == values_.end()) it = values_.emplace(k, defaults::JournalEntry{}).first;
            liveBytes_ -= it->second.recordSize;
            it->second = defaults::JournalEntry{*value, record.size()};  // no longer the file's unread value
            liveBytes_ += record.size();
        } else {
            liveBytes_ -= it->second.recordSize;
            values_.erase(it);
        }
        if (journalBytes_ > 2 * liveBytes_ + kCompactSlack && journalBytes_ >= retryCompactionAt_) compact();
        return true;
    }

    static constexpr std::size_t kCompactSlack = 256u << 10;

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

    // Appends one whole record; false (with the file as it was) when it could not be written.
    bool append(const std::string& record) {
        if (fd_ < 0) {
            // No journal to append to: the file was never written whole (a fresh store on a full
            // disk) or a failed write could not be cut off. Only a full rewrite starts it again.
            if (journalBytes_ == 0 && !compact()) return failed("could not be written");
            if (fd_ < 0) openJournal();
            if (fd_ < 0) return failed("could not be opened");
        }
        if (!writeAll(fd_, record.data(), record.size())) {
            const int error = errno;
            // Part of the record may have reached the file (a full disk); cut it off, or every
            // record appended after it would be read as damage at the next start.
            if (::ftruncate(fd_, static_cast<off_t>(journalBytes_)) != 0) {
                ::close(fd_);
                fd_ = -1;
                journalBytes_ = 0;  // unknown tail: the next set rewrites the whole file first
            }
            return failed(std::string("write failed: ") + std::strerror(error));
        }
        journalBytes_ += record.size();
        return true;
    }

    bool failed(const std::string& why) {
        log::nslog("UserDefaults: a value for " + file_.string() + " was not stored (" + why + ")");
        return false;
    }

    bool compact() {
        for (auto it = values_.begin(); it != values_.end();) {
            auto next = std::next(it);
            readLocked(it);  // a rewrite writes values, so every one is read first
            it = next;
        }
        std::string contents(defaults::kJournalMagic);
        std::size_t live = 0;
        for (auto& [k, entry] : values_) {
            std::string record = defaults::encodeRecord(k, &entry.value);
            entry.recordSize = record.size();
            live += record.size();
            contents += record;
        }
        liveBytes_ = live;
        if (!paths::writeFileAtomically(file_, contents, 0600)) {
            log::nslog("UserDefaults: could not rewrite " + file_.string());
            // The journal as it stands is still whole; try again once it has grown a little more.
            retryCompactionAt_ = journalBytes_ + kCompactSlack;
            return false;
        }
        retryCompactionAt_ = 0;
        journalBytes_ = contents.size();
        openJournal();
        return true;
    }

    void load() {
        paths::ensureDirectory(file_.parent_path());
        // A rewrite cut off by a kill leaves its temporary file behind; nothing else would remove it.
        if (auto removed = paths::removeTemporaries(file_); removed > 0)
            log::nslog("UserDefaults: removed " + std::to_string(removed) + " unfinished rewrite(s) of " + file_.string());
        auto file = paths::readFile(file_);
        if (!file) {
            compact();  // a fresh store: write the header
            return;
        }
        // Held whole: the large values in it are read when first asked for.
        const auto data = std::make_shared<const std::string>(std::move(*file));
        auto read = defaults::readJournal(data);
        values_ = std::move(read.values);
        if (!read.damage.empty()) {
            auto aside = paths::moveAside(file_);
            log::nslog("UserDefaults: store " + file_.string() + " is damaged (" + read.damage + "); " +
                       (aside ? "moved aside to " + aside->string() : std::string("it could not be moved aside")) +
                       ", keeping the " + std::to_string(values_.size()) + " values read before the damage");
            noteDamagedStore(aside ? *aside : std::filesystem::path());
        }
        liveBytes_ = 0;
        for (const auto& [_, e] : values_) liveBytes_ += e.recordSize;
        // Rewrite when damaged (the old file is aside) or when a torn tail must go; otherwise
        // append to the file as it is.
        if (!read.damage.empty() || read.end != data->size()) {
            compact();
        } else {
            journalBytes_ = data->size();
            openJournal();
        }
    }

    std::string suite_;
    std::filesystem::path file_;
    mutable std::mutex mutex_;
    mutable Values values_;              // mutable: reading a value left unread fills it in
    mutable std::size_t liveBytes_ = 0;
    std::size_t journalBytes_ = 0;  // what the file holds (0: nothing whole)
    std::size_t retryCompactionAt_ = 0;
    int fd_ = -1;
};

namespace {
std::mutex g_registryMutex;
std::atomic<bool> g_cannotSave{false};

// Called outside every store lock: observers may read or write preferences.
bool noteOutcome(UserDefaults::Store::Outcome outcome) {
    using Outcome = UserDefaults::Store::Outcome;
    if (outcome == Outcome::NotWritten && !g_cannotSave.exchange(true))
        NotificationCenter::defaultCenter().post(kUserDefaultsCannotSaveNotification);
    return outcome == Outcome::Stored;
}
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

bool UserDefaults::set(const Value& value, std::string_view key) { return noteOutcome(store_->set(key, &value)); }

bool UserDefaults::setString(const std::optional<std::string>& value, std::string_view key) {
    if (value) return set(Value(*value), key);
    return removeObject(key);
}

bool UserDefaults::removeObject(std::string_view key) { return noteOutcome(store_->set(key, nullptr)); }

Value UserDefaults::setIfAbsent(const Value& value, std::string_view key) {
    auto [held, outcome] = store_->setIfAbsent(key, value);
    noteOutcome(outcome);
    return held;
}

bool UserDefaults::cannotSave() { return g_cannotSave.load(); }

std::optional<std::filesystem::path> UserDefaults::takeDamagedStoreNotice() {
    storeFor(kStandardSuite);  // the application's own store is read by now, so its damage is known
    std::lock_guard lock(g_damageMutex);
    return std::exchange(g_damagedStore, std::nullopt);
}

std::vector<std::string> UserDefaults::allKeys() const { return store_->keys(); }

bool UserDefaults::rewrite() { return store_->rewrite(); }

void UserDefaults::releaseStores() {
    std::lock_guard lock(g_registryMutex);
    registry().clear();
    g_cannotSave = false;
    std::lock_guard damage(g_damageMutex);
    g_damagedStore.reset();
}

}  // namespace morvex
