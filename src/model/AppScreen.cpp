#include "model/AppScreen.h"

namespace morvex {

std::optional<AppScreen> appScreenFromRaw(std::string_view text) {
    for (std::size_t i = 0; i < kAppScreenNames.size(); ++i)
        if (kAppScreenNames[i] == text) return static_cast<AppScreen>(i);
    return std::nullopt;
}

std::optional<ScreenContext> screenContextFromRaw(std::string_view text) {
    for (std::size_t i = 0; i < kScreenContextNames.size(); ++i)
        if (kScreenContextNames[i] == text) return static_cast<ScreenContext>(i);
    return std::nullopt;
}

}  // namespace morvex
