#include "viewmodels/MainTab.h"

namespace morvex {

std::optional<MainTab> mainTabFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 9) return std::nullopt;
    return static_cast<MainTab>(raw);
}

std::optional<MainTab> mainTabFromObject(const std::any& object) {
    if (const auto* tab = std::any_cast<MainTab>(&object)) return *tab;
    if (const auto* n = std::any_cast<std::int64_t>(&object)) return mainTabFromRaw(*n);
    if (const auto* n = std::any_cast<int>(&object)) return mainTabFromRaw(*n);
    if (const auto* n = std::any_cast<long long>(&object)) return mainTabFromRaw(*n);
    if (const auto* n = std::any_cast<unsigned>(&object)) return mainTabFromRaw(std::int64_t(*n));
    return std::nullopt;
}

}  // namespace morvex
