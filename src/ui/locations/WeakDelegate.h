#pragma once
// A delegate held weakly: the screen that opened a sheet or an overlay may go first, and a call
// to it afterwards must reach nothing. The delegate is an interface implemented by a QObject;
// its lifetime is followed through that object.
#include <QObject>
#include <QPointer>

namespace morvex {

template <class Interface>
class WeakDelegate {
public:
    WeakDelegate() = default;
    WeakDelegate(Interface* delegate) { *this = delegate; }  // NOLINT: assigned like a pointer

    WeakDelegate& operator=(Interface* delegate) {
        delegate_ = delegate;
        guard_ = dynamic_cast<QObject*>(delegate);
        return *this;
    }
    // The delegate, or null once it has been destroyed (or when it is no QObject).
    Interface* get() const { return guard_ ? delegate_ : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    Interface* operator->() const { return get(); }

private:
    Interface* delegate_ = nullptr;
    QPointer<QObject> guard_;
};

}  // namespace morvex
