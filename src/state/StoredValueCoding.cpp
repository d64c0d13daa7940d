#include "state/StoredValueCoding.h"

#include <string>

#include "foundation/Log.h"

namespace morvex::stored {

void reportUnencodableElement(std::string_view key, std::size_t index) {
    log::nslog("UserDefaults: element " + std::to_string(index) + " of \"" + std::string(key) +
               "\" cannot be encoded as JSON and is not stored");
}

}  // namespace morvex::stored
