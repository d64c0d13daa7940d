#include "state/SessionTokens.h"

#include "foundation/Log.h"

namespace morvex::sessionTokens {

Keychain keychain() { return Keychain(); }

void movePlainCopies(UserDefaults defaults, Keychain items) {
    bool moved = false;
    for (auto key : kItems) {
        auto plain = defaults.object(key);
        if (!plain) continue;
        if (!items.get(key)) {
            if (auto text = plain->toText()) items.set(*text, key);
        }
        defaults.removeObject(key);
        moved = true;
    }
    if (moved && !defaults.rewrite()) log::nslog("AppManager: the preferences file could not be rewritten after moving the tokens");
}

void remove(UserDefaults defaults, Keychain items) {
    for (auto key : kItems) items.deleteItem(key);
    defaults.removeObject(kCreatedAt);
}

}  // namespace morvex::sessionTokens
