#pragma once
// Views loaded by the name of their class. A set of nibs (the main one stands for the main
// bundle's) maps a nib name to a function that makes the nib's top-level objects in order;
// loadViewFromNib<T> loads the nib named after T's own class name (unqualified) and keeps the last
// top-level object that is a T. A missing nib, or one without such an object, gives null.
//
// Threads: main thread (the objects are widgets).
#include <QMetaObject>
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvex::appkit {

using TopLevelObjects = std::vector<std::unique_ptr<QObject>>;

class NibSet {
public:
    using Maker = std::function<TopLevelObjects()>;

    // The nibs of the main bundle; the program registers its nibs here at start.
    static NibSet& main();

    NibSet& registerNib(std::string name, Maker maker);
    std::vector<std::string> names() const;
    bool contains(std::string_view name) const;

    // The nib's top-level objects, newly made; none when there is no nib of that name.
    std::optional<TopLevelObjects> loadNibNamed(std::string_view name) const;

private:
    std::map<std::string, Maker, std::less<>> nibs_;
};

// A class's name without namespaces ("AutoDialView" for morvex::AutoDialView).
std::string unqualifiedClassName(const QMetaObject& meta);

template <class T>
std::unique_ptr<T> loadViewFromNib(const NibSet& nibs = NibSet::main()) {
    auto objects = nibs.loadNibNamed(unqualifiedClassName(T::staticMetaObject));
    if (!objects) return nullptr;
    std::unique_ptr<T> found;
    for (auto& object : *objects) {
        if (auto* view = qobject_cast<T*>(object.get())) {
            object.release();
            found.reset(view);
        }
    }
    return found;
}

}  // namespace morvex::appkit
