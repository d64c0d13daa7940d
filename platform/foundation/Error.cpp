#include "foundation/Error.h"

namespace morvex {

std::string Error::localizedDescription() const {
    if (!message.empty()) return message;
    return domain + " error " + std::to_string(code);
}

}  // namespace morvex
