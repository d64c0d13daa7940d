#pragma once
// The application's local object store: a data model loaded from the bundle, one SQLite file under
// the configuration directory, and the main context through which records are fetched, changed and
// saved. Records are ManagedObjects of the model's entities ("AppError", "AppNotification").
//
// The context keeps one object per stored row, so two fetches of a row give the same object and
// unsaved changes show in later fetches. All members are thread-safe.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/Error.h"
#include "foundation/Value.h"

struct sqlite3;

namespace morvex {

enum class AttributeType { String, Integer64, Double, Boolean, Date };

struct AttributeDescription {
    std::string name;
    AttributeType type;
};

struct EntityDescription {
    std::string name;
    std::vector<AttributeDescription> attributes;
    const AttributeDescription* attribute(std::string_view name) const;
};

class ManagedObjectModel {
public:
    ManagedObjectModel() = default;
    // Reads a model file; an error names what is wrong with it.
    static Result<ManagedObjectModel> load(const std::filesystem::path& file);

    const std::vector<EntityDescription>& entities() const { return entities_; }
    const EntityDescription* entity(std::string_view name) const;

private:
    std::vector<EntityDescription> entities_;
};

// An attribute's value; monostate is an absent value.
using AttributeValue = std::variant<std::monostate, std::string, std::int64_t, double, bool, Date>;

class ManagedObjectContext;

class ManagedObject {
public:
    const std::string& entityName() const { return entity_->name; }
    const EntityDescription& entity() const { return *entity_; }
    // The row's identifier in the store; 0 until the object has been saved.
    std::int64_t objectID() const;

    AttributeValue value(std::string_view attribute) const;
    std::optional<std::string> string(std::string_view attribute) const;
    std::int64_t integer(std::string_view attribute) const;  // absent: 0
    double doubleValue(std::string_view attribute) const;    // absent: 0
    bool boolean(std::string_view attribute) const;          // absent: false
    std::optional<Date> date(std::string_view attribute) const;

    // Typed setters; false (and nothing changes) for an attribute the entity does not have or
    // of another type.
    bool setString(std::string_view attribute, std::optional<std::string> v);
    bool setInteger(std::string_view attribute, std::int64_t v);
    bool setDouble(std::string_view attribute, double v);
    bool setBool(std::string_view attribute, bool v);
    bool setDate(std::string_view attribute, std::optional<Date> v);
    bool setNil(std::string_view attribute);

    bool isInserted() const;
    bool isDeleted() const;
    bool hasChanges() const;

    ManagedObject(const EntityDescription* entity, std::int64_t objectID);  // made by the context

private:
    friend class ManagedObjectContext;
    friend class PersistentStoreCoordinator;
    bool set(std::string_view attribute, AttributeValue v, AttributeType type, bool nilAllowed);

    const EntityDescription* entity_;
    mutable std::mutex mutex_;
    std::int64_t objectID_;
    std::vector<AttributeValue> values_;  // in the entity's attribute order
    std::set<std::size_t> changed_;
    bool inserted_ = false;
    bool deleted_ = false;
};

using ManagedObjectPtr = std::shared_ptr<ManagedObject>;

struct SortDescriptor {
    std::string key;
    bool ascending = true;
};

struct FetchRequest {
    std::string entityName;
    std::function<bool(const ManagedObject&)> predicate;  // none: every object
    std::vector<SortDescriptor> sortDescriptors;
    std::optional<std::size_t> fetchLimit;

    explicit FetchRequest(std::string entity) : entityName(std::move(entity)) {}
};

// One SQLite file holding a table per entity.
class PersistentStoreCoordinator {
public:
    explicit PersistentStoreCoordinator(const ManagedObjectModel& model);
    ~PersistentStoreCoordinator();
    PersistentStoreCoordinator(const PersistentStoreCoordinator&) = delete;
    PersistentStoreCoordinator& operator=(const PersistentStoreCoordinator&) = delete;

    // Opens (or creates) the store and brings its tables up to the model: missing tables and
    // columns are added, stored data is kept. A file that is not a store is left untouched.
    Result<void> addPersistentStore(const std::filesystem::path& file);
    bool hasStore() const;
    const ManagedObjectModel& model() const { return model_; }

    // Transactions that wrote to the store since it was added.
    std::uint64_t committedTransactions() const;

    struct Row {
        std::int64_t id;
        std::vector<AttributeValue> values;
    };
    Result<std::vector<Row>> fetchRows(const EntityDescription& entity) const;
    // Writes the changes in one transaction; on failure the store is as before.
    Result<void> save(const std::vector<ManagedObjectPtr>& inserted, const std::vector<ManagedObjectPtr>& updated,
                      const std::vector<ManagedObjectPtr>& deleted);

private:
    Result<void> migrate();
    const ManagedObjectModel& model_;
    mutable std::recursive_mutex mutex_;
    sqlite3* db_ = nullptr;
    std::uint64_t committed_ = 0;
};

class ManagedObjectContext {
public:
    explicit ManagedObjectContext(PersistentStoreCoordinator& coordinator);

    // A new object of the entity, inserted in the context (saved with the next save); null for an
    // entity the model does not have.
    ManagedObjectPtr insertNewObject(std::string_view entityName);
    Result<std::vector<ManagedObjectPtr>> fetch(const FetchRequest& request);
    void deleteObject(const ManagedObjectPtr& object);

    bool hasChanges() const;
    // Writes every change; on failure the changes stay in the context.
    Result<void> save();

private:
    PersistentStoreCoordinator& coordinator_;
    mutable std::recursive_mutex mutex_;
    // Saved rows that were fetched or inserted, by entity and row identifier.
    std::map<std::pair<const EntityDescription*, std::int64_t>, ManagedObjectPtr> registered_;
    std::vector<ManagedObjectPtr> inserted_;
    std::vector<ManagedObjectPtr> deleted_;
};

class CoreDataService {
public:
    static CoreDataService& shared();
    // A stack over the default store location (tests make their own; the application uses shared()).
    CoreDataService();
    // A stack over an explicit store file.
    explicit CoreDataService(std::filesystem::path storeFile);
    ~CoreDataService();

    // Built on first use and kept.
    ManagedObjectModel& managedObjectModel();
    PersistentStoreCoordinator& persistantStoreCoordinator();
    ManagedObjectContext& managedObjectContext();

    // Saves the context when it has changes; a failure is logged and the changes stay.
    void saveContext();

    // MorvexVPN.sqlite in the application support folder (<configuration directory>/<bundle identifier>);
    // nothing without a bundle identifier.
    static std::optional<std::filesystem::path> defaultStoreFile();

private:
    std::optional<std::filesystem::path> storeFile_;
    std::once_flag modelOnce_, coordinatorOnce_, contextOnce_;
    std::unique_ptr<ManagedObjectModel> model_;
    std::unique_ptr<PersistentStoreCoordinator> coordinator_;
    std::unique_ptr<ManagedObjectContext> context_;
};

}  // namespace morvex
