#pragma once
// The location catalogue's fetcher. Its record types live in ZevuDataFetcherTypes so that the
// stores can use them without the fetcher's own collaborators.
#include "model/ServerRecord.h"

namespace morvex {

class ZevuDataFetcher : public ZevuDataFetcherTypes {};

}  // namespace morvex
