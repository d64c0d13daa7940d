#include "api/Decoding.h"

namespace morvex {

Error decodingError(const std::exception& e) {
    if (dynamic_cast<const nlohmann::json::parse_error*>(&e))
        return Error(std::string(kDecodingErrorDomain), DecodingErrorCode::notJSON,
                     "The data couldn't be read because it isn't in the correct format.");
    return Error(std::string(kDecodingErrorDomain), DecodingErrorCode::wrongShape,
                 std::string("The data couldn't be read because it is missing or in the wrong format (") +
                     e.what() + ").");
}

}  // namespace morvex
