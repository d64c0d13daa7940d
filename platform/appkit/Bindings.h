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

namespace morvex::appkit {

// Keeps an observation alive; dropping it (or calling cancel) stops further calls.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (auto c = std::exchange(cancel_, {})) c();
    }
    bool active() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

template <class T>
class Observable {
public:
    using Observer = std::function<void(const T&)>;

    Observable() : state_(std::make_shared<State>()) {}
    explicit Observable(T initial) : state_(std::make_shared<State>()) { state_->value = std::move(initial); }
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    const T& value() const { return state_->value; }
    operator const T&() const { return state_->value; }

    // Stores the value and tells every observer, in the order they began observing.
    void set(T value) {
        store(std::move(value));
        notify();
    }
    // Stores the value without telling anyone yet; `notify` tells. For values that must change
    // together: store each, then notify each, so no observer ever sees one changed alone.
    void store(T value) { state_->value = std::move(value); }
    void notify() {
        std::vector<std::pair<int, Observer>> observers = state_->observers;
        for (const auto& [id, observer] : observers) {
            if (state_->isObserving(id)) observer(state_->value);
        }
    }
    Observable& operator=(T value) {
        set(std::move(value));
        return *this;
    }

    // Observes later values; with `initial`, the current value is told at once as well.
    [[nodiscard]] Subscription observe(Observer observer, bool initial = false) {
        const int id = ++state_->nextId;
        state_->observers.emplace_back(id, observer);
        if (initial) observer(state_->value);
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto state = weak.lock()) std::erase_if(state->observers, [id](const auto& o) { return o.first == id; });
        });
    }

private:
    struct State {
        T value{};
        int nextId = 0;
        std::vector<std::pair<int, Observer>> observers;
        bool isObserving(int id) const {
            for (const auto& o : observers)
                if (o.first == id) return true;
            return false;
        }
    };
    std::shared_ptr<State> state_;
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
