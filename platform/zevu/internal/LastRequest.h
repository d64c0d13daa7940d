#pragma once
// The last connect request's properties, kept on disk when the configuration asks the SDK to
// persist its details, so that a reconnect in a later process dials what the user last asked for.
// The file is the SDK's own: JSON under the configuration directory.
//
// Threads: the worker only.
#include <filesystem>
#include <optional>

#include "zevu/ZevuProperties.h"

namespace zevu::detail {

std::filesystem::path lastRequestFile();
// False when the file could not be written (a console line says why).
bool storeLastRequest(const ZevuProperties& properties);
// None when there is no file, or it does not read as a request.
std::optional<ZevuProperties> loadLastRequest();
void removeLastRequest();

}  // namespace zevu::detail
