#include "appkit/Bindings.h"

#include "foundation/Log.h"

namespace morvex::appkit {

namespace {
struct Registry {
    std::mutex mutex;
    std::map<std::string, ValueTransformers::Transformer, std::less<>> transformers;
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

void ValueTransformers::setValueTransformer(std::string name, Transformer transformer) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.transformers[std::move(name)] = std::move(transformer);
}

std::optional<ValueTransformers::Transformer> ValueTransformers::valueTransformerForName(std::string_view name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.transformers.find(name);
    if (it == r.transformers.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> ValueTransformers::names() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> out;
    for (const auto& [name, t] : r.transformers) out.push_back(name);
    return out;
}

void ValueTransformers::removeAll() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.transformers.clear();
}

void reportUnknownTransformer(std::string_view name) {
    log::nslog("Bindings: no value transformer named \"" + std::string(name) + "\"; the binding shows nothing");
}

}  // namespace morvex::appkit
