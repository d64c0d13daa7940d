#pragma once
// Stored settings declared once each. A store class lists every plain setting as one line that
// names its type, its accessor, its setter, its key and its default, and both accessors are
// generated from that line:
//
//   MORVEX_SETTING(bool, enablePing, setEnablePing, {"enablePing"});
//   MORVEX_SETTING(bool, isB2C, setIsB2C, {"isB2C", true, FirstRead::storeDefault});
//   MORVEX_SETTING(ServerPtr, dedicatedServer, setDedicatedServer,
//                  {.key = "dedicatedServer", .postedOnSet = dedicatedIpUpdatedNotification});
//
// declares and defines `bool enablePing() const` and `void setEnablePing(bool)`; a setter takes a
// value of class type by const reference. The accessors call two private member templates of the
// class,
//
//   template <class T> T readSetting(const StoredSetting<T>& setting) const;
//   template <class T> void writeSetting(const StoredSetting<T>& setting, SettingParam<T> value);
//
// which apply the class's key scheme (a fixed prefix, the signed-in user's name). The class's .cpp
// defines them with readStored/writeStored (state/StoredSettingForms.h, which also says how each
// type is kept) and instantiates them once per type with MORVEX_STORED_SETTING_TYPE. A setting
// with logic of its own (a setter that changes another setting, a value drawn on first read) stays
// written out by hand beside these lines.
#include <string_view>
#include <type_traits>

namespace morvex {

// What reading a key that is absent does: answer the default, or store it first so that every
// later reader agrees (atomically, so a concurrent writer's value is never overwritten).
enum class FirstRead { answerDefault, storeDefault };

// One setting: its key (as the class's key scheme takes it), the value read when the key is absent
// or holds a value of another kind, and a notification that the setter posts after storing, with
// the new value as its object (none when empty).
template <class T>
struct StoredSetting {
    std::string_view key;
    T defaultValue{};
    std::string_view postedOnSet{};
};

// Flags alone may store their default on the first read.
template <>
struct StoredSetting<bool> {
    std::string_view key;
    bool defaultValue = false;
    FirstRead firstRead = FirstRead::answerDefault;
    std::string_view postedOnSet{};
};

// How a setter takes its value: numbers, flags and enumerations by value, the rest by reference.
template <class T>
using SettingParam = std::conditional_t<std::is_scalar_v<T>, T, const T&>;

}  // namespace morvex

// In a class body: `Type getter() const` and `void setter(SettingParam<Type>)` for the setting
// described by the braced list (a StoredSetting<Type>). Both names are written out, so a search
// for either finds its line.
#define MORVEX_SETTING(Type, getter, setter, ...)                                              \
    Type getter() const { return readSetting(::morvex::StoredSetting<Type> __VA_ARGS__); }    \
    void setter(::morvex::SettingParam<Type> value) {                                          \
        writeSetting(::morvex::StoredSetting<Type> __VA_ARGS__, value);                        \
    }                                                                                          \
    static_assert(true, "")

// In the class's .cpp, inside namespace morvex: the two member templates for one setting type.
#define MORVEX_STORED_SETTING_TYPE(Class, Type)                                                               \
    template Type Class::readSetting<Type>(const ::morvex::StoredSetting<Type>&) const;                       \
    template void Class::writeSetting<Type>(const ::morvex::StoredSetting<Type>&, ::morvex::SettingParam<Type>)
