#include "state/LanguageManager.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "state/AppPreferences.h"

namespace morvex {

LanguageManager& LanguageManager::shared() {
    static LanguageManager instance;
    return instance;
}

LanguageManager::LanguageManager() {
    log::print("LanguageManager: init called.");
    const auto code = currentLanguage();
    log::print("LanguageManager: Setting initial bundle language to '" + code + "'.");
    Bundle::setLanguage(code);
    log::print("LanguageManager: Initial bundle language set.");
}

std::string LanguageManager::currentLanguage() const {
    return AppPreferences().defaults().string(AppPreferences::Key::preferredLanguageCode).value_or("de");
}

void LanguageManager::setCurrentLanguage(std::string_view identifier) {
    const std::string code(identifier.substr(0, identifier.find('-')));
    const auto current = currentLanguage();
    if (code == current) {
        log::print("LanguageManager: SET - Attempted to set same language '" + code + "'. No change.");
        return;
    }
    log::print("LanguageManager: SET - Changing language from '" + current + "' to '" + code + "'.");
    auto defaults = UserDefaults::standard();
    defaults.set(code, defaultsKey);
    log::print("LanguageManager: SET - Calling Bundle.setLanguage('" + code + "').");
    Bundle::setLanguage(code);
    defaults.set(code, AppPreferences::Key::preferredLanguageCode);
    log::print("LanguageManager: SET - Language set to: " + code);
    log::print("LanguageManager: SET - Posting .languageDidChange notification.");
    NotificationCenter::defaultCenter().post(languageDidChangeNotification, {}, {{"language", code}});
    log::print("LanguageManager: SET - Notification posted.");
}

}  // namespace morvex
