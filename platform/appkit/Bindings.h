#pragma once
// Bindings: observable properties that tell their observers every new value, and the registry of
// value transformers — pure functions registered by name, which a binding applies to the value on
// its way to the view. The program fills the registry before any screen is made; `names()` lets a
// test prove that every name a screen uses is there.
//
// Threads: an Observable tells its observers on the thread that sets it (views set and observe on
// the main thread). The registry may be read from any thread once filled.
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/ObserverSet.h"

namespace morvex::appkit {

// Keeps an observation alive; dropping it (or calling cancel) stops further calls.
using morvex::Subscription;

template <class T>
class Observable {
public:
    using Observer = std::function<void(const T&)>;

    Observable() = default;
    explicit Observable(T initial) : value_(std::move(initial)) {}
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    const T& value() const { return value_; }
    operator const T&() const { return value_; }

    // Stores the value and tells every observer, in the order they began observing.
    void set(T value) {
        store(std::move(value));
        notify();
    }
    // Stores the value without telling anyone yet; `notify` tells. For values that must change
    // together: store each, then notify each, so no observer ever sees one changed alone.
    void store(T value) { value_ = std::move(value); }
    void notify() { observers_.notify(value_); }
    Observable& operator=(T value) {
        set(std::move(value));
        return *this;
    }

    // Observes later values; with `initial`, the current value is told at once as well.
    [[nodiscard]] Subscription observe(Observer observer, bool initial = false) {
        if (initial) {
            Subscription kept = observers_.add(observer);
            observer(value_);
            return kept;
        }
        return observers_.add(std::move(observer));
    }

private:
    T value_{};
    ObserverSet<const T&> observers_;
};

class ValueTransformers {
public:
    // A pure function from a model value to what a view shows.
    using Transformer = std::function<std::any(const std::any&)>;

    // Registers (or replaces) the transformer under the name.
    static void setValueTransformer(std::string name, Transformer transformer);
    // The transformer of that name; none when none is registered.
    static std::optional<Transformer> valueTransformerForName(std::string_view name);
    static std::vector<std::string> names();
    // Empties the registry (tests that register their own).
    static void removeAll();
};

// Binds a view's setter to an observable: the setter hears the current value at once and every
// later one, passed through the named transformer. An unknown transformer name binds nothing and
// is reported on the console (the registry must be filled before screens are made).
template <class T>
[[nodiscard]] Subscription bindProperty(Observable<T>& source, std::string_view transformerName,
                                std::function<void(const std::any&)> setter);
// Without a transformer.
template <class T>
[[nodiscard]] Subscription bindProperty(Observable<T>& source, std::function<void(const T&)> setter) {
    return source.observe(std::move(setter), true);
}

void reportUnknownTransformer(std::string_view name);

template <class T>
Subscription bindProperty(Observable<T>& source, std::string_view transformerName, std::function<void(const std::any&)> setter) {
    auto transformer = ValueTransformers::valueTransformerForName(transformerName);
    if (!transformer) {
        reportUnknownTransformer(transformerName);
        return {};
    }
    return source.observe([transformer = *transformer, setter = std::move(setter)](const T& value) {
        setter(transformer(std::any(value)));
    }, true);
}

}  // namespace morvex::appkit
