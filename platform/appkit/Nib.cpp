#include "appkit/Nib.h"

namespace morvex::appkit {

NibSet& NibSet::main() {
    static NibSet nibs;
    return nibs;
}

NibSet& NibSet::registerNib(std::string name, Maker maker) {
    nibs_[std::move(name)] = std::move(maker);
    return *this;
}

std::vector<std::string> NibSet::names() const {
    std::vector<std::string> out;
    for (const auto& [name, maker] : nibs_) out.push_back(name);
    return out;
}

bool NibSet::contains(std::string_view name) const { return nibs_.find(name) != nibs_.end(); }

std::optional<TopLevelObjects> NibSet::loadNibNamed(std::string_view name) const {
    auto it = nibs_.find(name);
    if (it == nibs_.end() || !it->second) return std::nullopt;
    return it->second();
}

std::string unqualifiedClassName(const QMetaObject& meta) {
    std::string_view name = meta.className();
    if (auto at = name.rfind("::"); at != std::string_view::npos) name.remove_prefix(at + 2);
    return std::string(name);
}

}  // namespace morvex::appkit
