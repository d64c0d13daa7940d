#include "ui/kit/ValueTransformers.h"

#include <utility>

#include "appkit/Bindings.h"

namespace morvex {

namespace {
// Name and pure function of each transformer; a screen's transformers join the table with it.
const std::vector<std::pair<std::string, appkit::ValueTransformers::Transformer>>& table() {
    static const std::vector<std::pair<std::string, appkit::ValueTransformers::Transformer>> transformers;
    return transformers;
}
}  // namespace

std::vector<std::string> registerValueTransformers() {
    std::vector<std::string> names;
    for (const auto& [name, transformer] : table()) {
        appkit::ValueTransformers::setValueTransformer(name, transformer);
        names.push_back(name);
    }
    return names;
}

}  // namespace morvex
