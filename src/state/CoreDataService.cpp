#include "state/CoreDataService.h"

#include <sqlite3.h>

#include <QCoreApplication>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "model/BundleInfo.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "foundation/SharedLibrary.h"

namespace morvex {

namespace {

// libsqlite3, loaded when the store is first opened rather than at start (SharedLibrary): the
// first window reads nothing from the store.
struct SQLiteLibrary {
    decltype(&::sqlite3_bind_double) sqlite3_bind_double = nullptr;
    decltype(&::sqlite3_bind_int) sqlite3_bind_int = nullptr;
    decltype(&::sqlite3_bind_int64) sqlite3_bind_int64 = nullptr;
    decltype(&::sqlite3_bind_null) sqlite3_bind_null = nullptr;
    decltype(&::sqlite3_bind_text) sqlite3_bind_text = nullptr;
    decltype(&::sqlite3_busy_timeout) sqlite3_busy_timeout = nullptr;
    decltype(&::sqlite3_close_v2) sqlite3_close_v2 = nullptr;
    decltype(&::sqlite3_column_bytes) sqlite3_column_bytes = nullptr;
    decltype(&::sqlite3_column_double) sqlite3_column_double = nullptr;
    decltype(&::sqlite3_column_int64) sqlite3_column_int64 = nullptr;
    decltype(&::sqlite3_column_text) sqlite3_column_text = nullptr;
    decltype(&::sqlite3_column_type) sqlite3_column_type = nullptr;
    decltype(&::sqlite3_errmsg) sqlite3_errmsg = nullptr;
    decltype(&::sqlite3_exec) sqlite3_exec = nullptr;
    decltype(&::sqlite3_extended_errcode) sqlite3_extended_errcode = nullptr;
    decltype(&::sqlite3_finalize) sqlite3_finalize = nullptr;
    decltype(&::sqlite3_free) sqlite3_free = nullptr;
    decltype(&::sqlite3_last_insert_rowid) sqlite3_last_insert_rowid = nullptr;
    decltype(&::sqlite3_open_v2) sqlite3_open_v2 = nullptr;
    decltype(&::sqlite3_prepare_v2) sqlite3_prepare_v2 = nullptr;
    decltype(&::sqlite3_step) sqlite3_step = nullptr;
};

const SQLiteLibrary& sqlite() {
    static const SQLiteLibrary table = [] {
        SQLiteLibrary t;
        SharedLibrary library("libsqlite3.so.0");
        MORVEX_FIND_FUNCTION(library, t, sqlite3_bind_double);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_bind_int);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_bind_int64);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_bind_null);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_bind_text);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_busy_timeout);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_close_v2);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_column_bytes);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_column_double);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_column_int64);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_column_text);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_column_type);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_errmsg);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_exec);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_extended_errcode);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_finalize);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_free);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_last_insert_rowid);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_open_v2);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_prepare_v2);
        MORVEX_FIND_FUNCTION(library, t, sqlite3_step);
        library.require();
        return t;
    }();
    return table;
}

constexpr const char* kErrorDomain = "MorvexVPNStore";
constexpr const char* kPrimaryKey = "Z_PK";

std::optional<AttributeType> typeFromName(const std::string& name) {
    if (name == "string") return AttributeType::String;
    if (name == "integer64") return AttributeType::Integer64;
    if (name == "double") return AttributeType::Double;
    if (name == "boolean") return AttributeType::Boolean;
    if (name == "date") return AttributeType::Date;
    return std::nullopt;
}

const char* columnType(AttributeType t) {
    switch (t) {
        case AttributeType::String: return "TEXT";
        case AttributeType::Integer64:
        case AttributeType::Boolean: return "INTEGER";
        case AttributeType::Double:
        case AttributeType::Date: return "REAL";
    }
    return "BLOB";
}

std::string sqlName(std::string_view identifier) {
    std::string out = "\"";
    for (char c : identifier) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite().sqlite3_finalize(stmt); }
};

Error sqliteError(sqlite3* db, std::string_view what) {
    int code = db ? sqlite().sqlite3_extended_errcode(db) : SQLITE_ERROR;
    std::string message = std::string(what) + ": " + (db ? sqlite().sqlite3_errmsg(db) : "no database");
    return Error(kErrorDomain, code, message);
}

Result<void> exec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite().sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite().sqlite3_free(message);
        return fail(Error(kErrorDomain, sqlite().sqlite3_extended_errcode(db), text));
    }
    return {};
}

int bindValue(sqlite3_stmt* stmt, int index, const AttributeValue& v) {
    return std::visit(
        [&](const auto& x) -> int {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) return sqlite().sqlite3_bind_null(stmt, index);
            else if constexpr (std::is_same_v<T, std::string>)
                return sqlite().sqlite3_bind_text(stmt, index, x.data(), static_cast<int>(x.size()), SQLITE_TRANSIENT);
            else if constexpr (std::is_same_v<T, std::int64_t>) return sqlite().sqlite3_bind_int64(stmt, index, x);
            else if constexpr (std::is_same_v<T, double>) return sqlite().sqlite3_bind_double(stmt, index, x);
            else if constexpr (std::is_same_v<T, bool>) return sqlite().sqlite3_bind_int(stmt, index, x ? 1 : 0);
            else return sqlite().sqlite3_bind_double(stmt, index, x.secondsSince1970);
        },
        v);
}

AttributeValue columnValue(sqlite3_stmt* stmt, int column, AttributeType type) {
    if (sqlite().sqlite3_column_type(stmt, column) == SQLITE_NULL) return std::monostate{};
    switch (type) {
        case AttributeType::String: {
            auto text = reinterpret_cast<const char*>(sqlite().sqlite3_column_text(stmt, column));
            return std::string(text ? text : "", static_cast<std::size_t>(sqlite().sqlite3_column_bytes(stmt, column)));
        }
        case AttributeType::Integer64: return static_cast<std::int64_t>(sqlite().sqlite3_column_int64(stmt, column));
        case AttributeType::Double: return sqlite().sqlite3_column_double(stmt, column);
        case AttributeType::Boolean: return sqlite().sqlite3_column_int64(stmt, column) != 0;
        case AttributeType::Date: return Date{sqlite().sqlite3_column_double(stmt, column)};
    }
    return std::monostate{};
}

// Orders two values of one attribute; an absent value first.
int compareValues(const AttributeValue& a, const AttributeValue& b) {
    if (a.index() != b.index()) return a.index() < b.index() ? -1 : 1;
    return std::visit(
        [&](const auto& x) -> int {
            using T = std::decay_t<decltype(x)>;
            const auto& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, std::monostate>) return 0;
            else return x < y ? -1 : (y < x ? 1 : 0);
        },
        a);
}

}  // namespace

// ---- model ----

const AttributeDescription* EntityDescription::attribute(std::string_view n) const {
    for (const auto& a : attributes)
        if (a.name == n) return &a;
    return nullptr;
}

const EntityDescription* ManagedObjectModel::entity(std::string_view name) const {
    for (const auto& e : entities_)
        if (e.name == name) return &e;
    return nullptr;
}

Result<ManagedObjectModel> ManagedObjectModel::load(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return fail(Error(kErrorDomain, 1, "cannot read the data model " + file.string()));
    auto j = nlohmann::ordered_json::parse(in, nullptr, false);
    if (!j.is_object() || !j.contains("entities") || !j["entities"].is_object())
        return fail(Error(kErrorDomain, 2, "the data model " + file.string() + " has no entities"));
    ManagedObjectModel model;
    for (const auto& [entityName, attributes] : j["entities"].items()) {
        if (!attributes.is_object())
            return fail(Error(kErrorDomain, 2, "entity " + entityName + " of the data model is not an object"));
        EntityDescription entity{entityName, {}};
        for (const auto& [name, typeName] : attributes.items()) {
            auto type = typeName.is_string() ? typeFromName(typeName.get<std::string>()) : std::nullopt;
            if (!type || name == kPrimaryKey)
                return fail(Error(kErrorDomain, 2, "attribute " + entityName + "." + name + " has no known type"));
            entity.attributes.push_back({name, *type});
        }
        model.entities_.push_back(std::move(entity));
    }
    return model;
}

// ---- objects ----

ManagedObject::ManagedObject(const EntityDescription* entity, std::int64_t objectID)
    : entity_(entity), objectID_(objectID), values_(entity->attributes.size()) {}

std::int64_t ManagedObject::objectID() const {
    std::lock_guard lock(mutex_);
    return objectID_;
}

AttributeValue ManagedObject::value(std::string_view attribute) const {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < entity_->attributes.size(); ++i)
        if (entity_->attributes[i].name == attribute) return values_[i];
    return std::monostate{};
}

std::optional<std::string> ManagedObject::string(std::string_view a) const {
    auto v = value(a);
    if (auto s = std::get_if<std::string>(&v)) return *s;
    return std::nullopt;
}
std::int64_t ManagedObject::integer(std::string_view a) const {
    auto v = value(a);
    if (auto i = std::get_if<std::int64_t>(&v)) return *i;
    return 0;
}
double ManagedObject::doubleValue(std::string_view a) const {
    auto v = value(a);
    if (auto d = std::get_if<double>(&v)) return *d;
    return 0;
}
bool ManagedObject::boolean(std::string_view a) const {
    auto v = value(a);
    if (auto b = std::get_if<bool>(&v)) return *b;
    return false;
}
std::optional<Date> ManagedObject::date(std::string_view a) const {
    auto v = value(a);
    if (auto d = std::get_if<Date>(&v)) return *d;
    return std::nullopt;
}

bool ManagedObject::set(std::string_view attribute, AttributeValue v, AttributeType type, bool nilAllowed) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < entity_->attributes.size(); ++i) {
        const auto& a = entity_->attributes[i];
        if (a.name != attribute) continue;
        if (!nilAllowed && a.type != type) break;
        if (std::holds_alternative<std::monostate>(v) || a.type == type) {
            if (values_[i] == v) return true;
            values_[i] = std::move(v);
            changed_.insert(i);
            return true;
        }
        break;
    }
    log::nslog("ManagedObject: " + entity_->name + " has no attribute '" + std::string(attribute) + "' of that type");
    return false;
}

bool ManagedObject::setString(std::string_view a, std::optional<std::string> v) {
    if (!v) return set(a, std::monostate{}, AttributeType::String, true);
    return set(a, std::move(*v), AttributeType::String, false);
}
bool ManagedObject::setInteger(std::string_view a, std::int64_t v) { return set(a, v, AttributeType::Integer64, false); }
bool ManagedObject::setDouble(std::string_view a, double v) { return set(a, v, AttributeType::Double, false); }
bool ManagedObject::setBool(std::string_view a, bool v) { return set(a, v, AttributeType::Boolean, false); }
bool ManagedObject::setDate(std::string_view a, std::optional<Date> v) {
    if (!v) return set(a, std::monostate{}, AttributeType::Date, true);
    return set(a, *v, AttributeType::Date, false);
}
bool ManagedObject::setNil(std::string_view a) {
    const auto* desc = entity_->attribute(a);
    if (!desc) return set(a, std::monostate{}, AttributeType::String, false);
    return set(a, std::monostate{}, desc->type, true);
}

bool ManagedObject::isInserted() const {
    std::lock_guard lock(mutex_);
    return inserted_;
}
bool ManagedObject::isDeleted() const {
    std::lock_guard lock(mutex_);
    return deleted_;
}
bool ManagedObject::hasChanges() const {
    std::lock_guard lock(mutex_);
    return inserted_ || deleted_ || !changed_.empty();
}

// ---- coordinator ----

PersistentStoreCoordinator::PersistentStoreCoordinator(const ManagedObjectModel& model) : model_(model) {}

PersistentStoreCoordinator::~PersistentStoreCoordinator() {
    if (db_) sqlite().sqlite3_close_v2(db_);
}

bool PersistentStoreCoordinator::hasStore() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

std::uint64_t PersistentStoreCoordinator::committedTransactions() const {
    std::lock_guard lock(mutex_);
    return committed_;
}

Result<void> PersistentStoreCoordinator::addPersistentStore(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    if (db_) return fail(Error(kErrorDomain, 3, "a store has already been added"));
    sqlite3* db = nullptr;
    int rc = sqlite().sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        auto e = sqliteError(db, "cannot open " + file.string());
        sqlite().sqlite3_close_v2(db);
        return fail(e);
    }
    sqlite().sqlite3_busy_timeout(db, 5000);
    db_ = db;
    if (auto r = migrate(); !r) {
        sqlite().sqlite3_close_v2(db_);
        db_ = nullptr;
        return fail(Error(r.error().domain, r.error().code, file.string() + ": " + r.error().message));
    }
    return {};
}

Result<void> PersistentStoreCoordinator::migrate() {
    // The first read also tells a file that is not a store; nothing is written to such a file.
    if (auto r = exec(db_, "SELECT count(*) FROM sqlite_master"); !r) return r;
    if (auto r = exec(db_, "BEGIN IMMEDIATE"); !r) return r;
    auto body = [&]() -> Result<void> {
        for (const auto& entity : model_.entities()) {
            std::string create = "CREATE TABLE IF NOT EXISTS " + sqlName(entity.name) + " (" + sqlName(kPrimaryKey) +
                                 " INTEGER PRIMARY KEY AUTOINCREMENT";
            for (const auto& a : entity.attributes) create += ", " + sqlName(a.name) + " " + columnType(a.type);
            if (auto r = exec(db_, create + ")"); !r) return r;
            std::set<std::string> columns;
            Statement info;
            std::string pragma = "PRAGMA table_info(" + sqlName(entity.name) + ")";
            if (sqlite().sqlite3_prepare_v2(db_, pragma.c_str(), -1, &info.stmt, nullptr) != SQLITE_OK)
                return fail(sqliteError(db_, "cannot read the columns of " + entity.name));
            while (sqlite().sqlite3_step(info.stmt) == SQLITE_ROW)
                columns.insert(reinterpret_cast<const char*>(sqlite().sqlite3_column_text(info.stmt, 1)));
            for (const auto& a : entity.attributes) {
                if (columns.contains(a.name)) continue;
                auto alter = "ALTER TABLE " + sqlName(entity.name) + " ADD COLUMN " + sqlName(a.name) + " " + columnType(a.type);
                if (auto r = exec(db_, alter); !r) return r;
            }
        }
        return {};
    };
    if (auto r = body(); !r) {
        (void)exec(db_, "ROLLBACK");
        return r;
    }
    return exec(db_, "COMMIT");
}

Result<std::vector<PersistentStoreCoordinator::Row>> PersistentStoreCoordinator::fetchRows(
    const EntityDescription& entity) const {
    std::lock_guard lock(mutex_);
    if (!db_) return fail(Error(kErrorDomain, 4, "the coordinator has no persistent store"));
    std::string sql = "SELECT " + sqlName(kPrimaryKey);
    for (const auto& a : entity.attributes) sql += ", " + sqlName(a.name);
    sql += " FROM " + sqlName(entity.name) + " ORDER BY " + sqlName(kPrimaryKey);
    Statement st;
    if (sqlite().sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK)
        return fail(sqliteError(db_, "cannot read " + entity.name));
    std::vector<Row> rows;
    int rc;
    while ((rc = sqlite().sqlite3_step(st.stmt)) == SQLITE_ROW) {
        Row row{sqlite().sqlite3_column_int64(st.stmt, 0), {}};
        for (std::size_t i = 0; i < entity.attributes.size(); ++i)
            row.values.push_back(columnValue(st.stmt, static_cast<int>(i + 1), entity.attributes[i].type));
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) return fail(sqliteError(db_, "cannot read " + entity.name));
    return rows;
}

Result<void> PersistentStoreCoordinator::save(const std::vector<ManagedObjectPtr>& inserted,
                                              const std::vector<ManagedObjectPtr>& updated,
                                              const std::vector<ManagedObjectPtr>& deleted) {
    std::lock_guard lock(mutex_);
    if (!db_) return fail(Error(kErrorDomain, 4, "the coordinator has no persistent store"));
    if (inserted.empty() && updated.empty() && deleted.empty()) return {};
    if (auto r = exec(db_, "BEGIN IMMEDIATE"); !r) return r;

    std::vector<std::int64_t> newIDs;
    auto body = [&]() -> Result<void> {
        for (const auto& object : deleted) {
            auto sql = "DELETE FROM " + sqlName(object->entityName()) + " WHERE " + sqlName(kPrimaryKey) + " = ?";
            Statement st;
            if (sqlite().sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK ||
                sqlite().sqlite3_bind_int64(st.stmt, 1, object->objectID()) != SQLITE_OK || sqlite().sqlite3_step(st.stmt) != SQLITE_DONE)
                return fail(sqliteError(db_, "cannot delete from " + object->entityName()));
        }
        for (const auto& object : updated) {
            std::lock_guard objectLock(object->mutex_);
            if (object->changed_.empty()) continue;
            const auto& attrs = object->entity_->attributes;
            std::string sql = "UPDATE " + sqlName(object->entityName()) + " SET ";
            bool first = true;
            for (auto i : object->changed_) {
                sql += (first ? "" : ", ") + sqlName(attrs[i].name) + " = ?";
                first = false;
            }
            sql += " WHERE " + sqlName(kPrimaryKey) + " = ?";
            Statement st;
            if (sqlite().sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK)
                return fail(sqliteError(db_, "cannot update " + object->entityName()));
            int index = 1;
            for (auto i : object->changed_) bindValue(st.stmt, index++, object->values_[i]);
            sqlite().sqlite3_bind_int64(st.stmt, index, object->objectID_);
            if (sqlite().sqlite3_step(st.stmt) != SQLITE_DONE) return fail(sqliteError(db_, "cannot update " + object->entityName()));
        }
        for (const auto& object : inserted) {
            std::lock_guard objectLock(object->mutex_);
            const auto& attrs = object->entity_->attributes;
            std::string sql = "INSERT INTO " + sqlName(object->entityName()) + " (";
            std::string marks;
            for (std::size_t i = 0; i < attrs.size(); ++i) {
                sql += (i ? ", " : "") + sqlName(attrs[i].name);
                marks += i ? ", ?" : "?";
            }
            sql = attrs.empty() ? "INSERT INTO " + sqlName(object->entityName()) + " DEFAULT VALUES"
                                : sql + ") VALUES (" + marks + ")";
            Statement st;
            if (sqlite().sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK)
                return fail(sqliteError(db_, "cannot insert into " + object->entityName()));
            for (std::size_t i = 0; i < attrs.size(); ++i) bindValue(st.stmt, static_cast<int>(i + 1), object->values_[i]);
            if (sqlite().sqlite3_step(st.stmt) != SQLITE_DONE) return fail(sqliteError(db_, "cannot insert into " + object->entityName()));
            newIDs.push_back(sqlite().sqlite3_last_insert_rowid(db_));
        }
        return {};
    };
    if (auto r = body(); !r) {
        (void)exec(db_, "ROLLBACK");
        return r;
    }
    if (auto r = exec(db_, "COMMIT"); !r) {
        (void)exec(db_, "ROLLBACK");
        return r;
    }
    ++committed_;
    for (std::size_t i = 0; i < inserted.size(); ++i) {
        std::lock_guard objectLock(inserted[i]->mutex_);
        inserted[i]->objectID_ = newIDs[i];
    }
    return {};
}

// ---- context ----

ManagedObjectContext::ManagedObjectContext(PersistentStoreCoordinator& coordinator) : coordinator_(coordinator) {}

ManagedObjectPtr ManagedObjectContext::insertNewObject(std::string_view entityName) {
    const auto* entity = coordinator_.model().entity(entityName);
    if (!entity) {
        log::nslog("ManagedObjectContext: the data model has no entity '" + std::string(entityName) + "'");
        return nullptr;
    }
    auto object = std::make_shared<ManagedObject>(entity, 0);
    object->inserted_ = true;
    std::lock_guard lock(mutex_);
    inserted_.push_back(object);
    return object;
}

Result<std::vector<ManagedObjectPtr>> ManagedObjectContext::fetch(const FetchRequest& request) {
    const auto* entity = coordinator_.model().entity(request.entityName);
    if (!entity) return fail(Error(kErrorDomain, 5, "the data model has no entity '" + request.entityName + "'"));
    std::lock_guard lock(mutex_);
    auto rows = coordinator_.fetchRows(*entity);
    if (!rows) return fail(rows.error());

    std::vector<ManagedObjectPtr> found;
    for (auto& row : *rows) {
        auto& object = registered_[{entity, row.id}];
        if (!object) {
            object = std::make_shared<ManagedObject>(entity, row.id);
            object->values_ = std::move(row.values);
        }
        if (!object->isDeleted()) found.push_back(object);
    }
    for (const auto& object : inserted_)
        if (&object->entity() == entity) found.push_back(object);

    if (request.predicate) std::erase_if(found, [&](const ManagedObjectPtr& o) { return !request.predicate(*o); });
    if (!request.sortDescriptors.empty()) {
        std::stable_sort(found.begin(), found.end(), [&](const ManagedObjectPtr& a, const ManagedObjectPtr& b) {
            for (const auto& sd : request.sortDescriptors) {
                int c = compareValues(a->value(sd.key), b->value(sd.key));
                if (c != 0) return sd.ascending ? c < 0 : c > 0;
            }
            return false;
        });
    }
    if (request.fetchLimit && found.size() > *request.fetchLimit) found.resize(*request.fetchLimit);
    return found;
}

void ManagedObjectContext::deleteObject(const ManagedObjectPtr& object) {
    if (!object) return;
    std::lock_guard lock(mutex_);
    if (auto it = std::find(inserted_.begin(), inserted_.end(), object); it != inserted_.end()) {
        inserted_.erase(it);
        std::lock_guard objectLock(object->mutex_);
        object->inserted_ = false;
        object->deleted_ = true;
        return;
    }
    auto it = registered_.find({&object->entity(), object->objectID()});
    if (it == registered_.end() || it->second != object) return;
    if (std::find(deleted_.begin(), deleted_.end(), object) != deleted_.end()) return;
    deleted_.push_back(object);
    std::lock_guard objectLock(object->mutex_);
    object->deleted_ = true;
}

bool ManagedObjectContext::hasChanges() const {
    std::lock_guard lock(mutex_);
    if (!inserted_.empty() || !deleted_.empty()) return true;
    return std::any_of(registered_.begin(), registered_.end(), [](const auto& entry) { return entry.second->hasChanges(); });
}

Result<void> ManagedObjectContext::save() {
    std::lock_guard lock(mutex_);
    std::vector<ManagedObjectPtr> updated;
    for (const auto& [key, o] : registered_)
        if (!o->isDeleted() && o->hasChanges()) updated.push_back(o);
    if (inserted_.empty() && deleted_.empty() && updated.empty()) return {};
    if (auto r = coordinator_.save(inserted_, updated, deleted_); !r) return r;
    for (const auto& o : inserted_) {
        std::lock_guard objectLock(o->mutex_);
        o->inserted_ = false;
        o->changed_.clear();
        registered_[{o->entity_, o->objectID_}] = o;
    }
    inserted_.clear();
    for (const auto& o : updated) {
        std::lock_guard objectLock(o->mutex_);
        o->changed_.clear();
    }
    for (const auto& o : deleted_) registered_.erase({&o->entity(), o->objectID()});
    deleted_.clear();
    return {};
}

// ---- the stack ----

CoreDataService& CoreDataService::shared() {
    static CoreDataService instance;
    static std::once_flag quitHook;
    std::call_once(quitHook, [] {
        // Unsaved changes are written when the application quits.
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { instance.saveContext(); });
    });
    return instance;
}

CoreDataService::CoreDataService() = default;
CoreDataService::CoreDataService(std::filesystem::path storeFile) : storeFile_(std::move(storeFile)) {}
CoreDataService::~CoreDataService() = default;

std::optional<std::filesystem::path> CoreDataService::defaultStoreFile() {
    try {
        return applicationSupportFolderURL() / "MorvexVPN.sqlite";
    } catch (const MissingInfoValue&) {
        return std::nullopt;
    }
}

ManagedObjectModel& CoreDataService::managedObjectModel() {
    std::call_once(modelOnce_, [this] {
        model_ = std::make_unique<ManagedObjectModel>();
        auto file = Bundle::main().pathForResource("MorvexVPN", "momd");
        if (!file) {
            log::print("Error in loading the data model: the resource MorvexVPN.momd is missing");
            return;
        }
        if (auto loaded = ManagedObjectModel::load(*file)) *model_ = std::move(*loaded);
        else log::print("Error in loading the data model: " + loaded.error().message);
    });
    return *model_;
}

PersistentStoreCoordinator& CoreDataService::persistantStoreCoordinator() {
    std::call_once(coordinatorOnce_, [this] {
        coordinator_ = std::make_unique<PersistentStoreCoordinator>(managedObjectModel());
        auto file = storeFile_ ? storeFile_ : defaultStoreFile();
        if (!file) {
            log::print("Error in adding persistance store: the Info value \"Application Bundle identifier\" is missing");
            return;
        }
        // A fresh install has no folder yet.
        if (!paths::ensureDirectory(file->parent_path())) {
            log::print("Error in adding persistance store: cannot create " + file->parent_path().string());
            return;
        }
        if (auto r = coordinator_->addPersistentStore(*file); !r)
            log::print("Error in adding persistance store: " + r.error().message);
    });
    return *coordinator_;
}

ManagedObjectContext& CoreDataService::managedObjectContext() {
    std::call_once(contextOnce_, [this] {
        context_ = std::make_unique<ManagedObjectContext>(persistantStoreCoordinator());
    });
    return *context_;
}

void CoreDataService::saveContext() {
    auto& context = managedObjectContext();
    if (!context.hasChanges()) return;
    if (auto r = context.save(); !r) log::print("Error in saving managed object: " + r.error().message);
}

}  // namespace morvex
