#pragma once
// Callbacks tied to the lifetime of the object that handed them out. Work that finishes after its
// owner has gone (an answer from the network, a block on the main queue, an alert the user answers
// late) is dropped instead of reaching a destroyed object: the callback holds the owner's token
// weakly and runs only while the token lives.
//
// The token is checked on the thread that runs the callback, so an owner must die on that thread
// (for screens and models: the main thread, where their callbacks are queued).
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

// A member of the object that hands out callbacks; it dies with that object, and every callback
// made through it stops running then. Not copyable: a copy would outlive its owner.
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

    // `f` wrapped to run only while this lifetime lasts; it takes whatever arguments `f` takes and
    // answers nothing.
    template <class F>
    auto guard(F f) const {
        return [token = std::weak_ptr<const void>(token_), f = std::move(f)](auto&&... args) mutable {
            if (token.lock()) f(std::forward<decltype(args)>(args)...);
        };
    }

    // Ends the lifetime early: an owner that is closed but not yet destroyed, or one whose
    // destructor must stop its callbacks before its members go.
    void end() { token_.reset(); }

private:
    std::shared_ptr<char> token_;
};

}  // namespace morvex
