#pragma once
// In-process notifications. Delivery is synchronous, on the posting thread, in the order the
// observers were added. An observer lives as long as its token: dropping the token (usually with
// the observing object) removes it, and once the token's destructor has returned the block is
// never called again.
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace morvex {

using UserInfo = std::map<std::string, std::any>;

struct Notification {
    std::string name;
    std::any object;
    UserInfo userInfo;

    // The object as T, or null when it holds something else.
    template <class T> const T* objectAs() const { return std::any_cast<T>(&object); }
    template <class T> const T* info(const std::string& key) const {
        auto it = userInfo.find(key);
        return it == userInfo.end() ? nullptr : std::any_cast<T>(&it->second);
    }
};

// One entry of a notification's user info, with the one type it holds. The poster writes it and
// the reader reads it through the same key, so the type written is the type read: handing `put`
// anything else (an optional where the key holds text, say) does not compile, and a reader never
// has to guess the type behind a name.
template <class T>
struct UserInfoKey {
    std::string_view key;

    void put(UserInfo& info, const T& value) const { info[std::string(key)] = value; }
    template <class Other>
    void put(UserInfo&, const Other&) const = delete;  // no conversions: the stored type is T
    // The entry, or null when it is missing or holds something else (a post that did not go
    // through this key).
    const T* in(const Notification& notification) const { return notification.info<T>(std::string(key)); }
};

class ObserverToken {
public:
    ObserverToken() = default;
    ObserverToken(ObserverToken&&) noexcept = default;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;
    ~ObserverToken();

    void remove();
    bool active() const { return entry_ != nullptr; }

    struct Entry;

private:
    friend class NotificationCenter;
    explicit ObserverToken(std::shared_ptr<Entry> e) : entry_(std::move(e)) {}
    std::shared_ptr<Entry> entry_;
};

class NotificationCenter {
public:
    static NotificationCenter& defaultCenter();
    NotificationCenter();
    ~NotificationCenter();

    // An empty name observes every notification.
    [[nodiscard]] ObserverToken addObserver(std::string_view name,
                                            std::function<void(const Notification&)> block);

    // Delivers synchronously; answers how many observers heard it (0: nobody listens).
    std::size_t post(const Notification& notification);
    std::size_t post(std::string_view name, std::any object = {}, UserInfo userInfo = {});

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace morvex
