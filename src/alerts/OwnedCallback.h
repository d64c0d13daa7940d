#pragma once
// Callbacks that an alert keeps until the user answers, tied to the lifetime of the object that
// handed them over. A screen that closed while its alert was up is never called back: the alert
// holds only a weak reference to the owner and drops the call when the owner has gone.
//
// Main thread only, like the alerts themselves.
#include <functional>
#include <memory>
#include <utility>

namespace morvex {

template <class... Args>
class OwnedCallback {
public:
    // Runs nothing.
    OwnedCallback() = default;
    // Runs `f` only while `owner` lives. An owner that never existed (an empty weak pointer)
    // counts as gone.
    OwnedCallback(std::weak_ptr<const void> owner, std::function<void(Args...)> f)
        : owner_(std::move(owner)), f_(std::move(f)), owned_(true) {}

    // For callers that live as long as the process (the engine's free-standing handlers).
    static OwnedCallback unowned(std::function<void(Args...)> f) {
        OwnedCallback c;
        c.f_ = std::move(f);
        return c;
    }

    // Calls the function unless its owner has gone; the owner is kept alive for the call.
    void operator()(Args... args) const {
        if (!f_) return;
        if (!owned_) {
            f_(std::forward<Args>(args)...);
            return;
        }
        if (auto alive = owner_.lock()) f_(std::forward<Args>(args)...);
    }

    // True while a call would run.
    bool live() const { return f_ && (!owned_ || !owner_.expired()); }

private:
    std::weak_ptr<const void> owner_;
    std::function<void(Args...)> f_;
    bool owned_ = false;
};

// A member of the object that hands callbacks to alerts; it dies with that object, and every
// callback made through it stops running then. Not copyable: a copy would outlive its owner.
class Lifetime {
public:
    Lifetime() : token_(std::make_shared<char>(0)) {}
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    std::weak_ptr<const void> token() const { return token_; }

    template <class... Args, class F>
    OwnedCallback<Args...> callback(F f) const {
        return OwnedCallback<Args...>(token_, std::function<void(Args...)>(std::move(f)));
    }

    // Ends the lifetime early (an owner that is closed but not yet destroyed).
    void end() { token_.reset(); }

private:
    std::shared_ptr<char> token_;
};

}  // namespace morvex
