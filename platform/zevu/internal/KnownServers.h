#pragma once
// What the SDK knows about its servers: the server list, read on first need (and tried again
// after a failed read), and the latest latency measured to each data centre. Dialling ranks data
// centres by these latencies and the recommended location follows them.
//
// Threads: worker thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "zevu/ZevuCore.h"
#include "zevu/internal/ServerCatalog.h"

namespace zevu::detail {

class KnownServers {
public:
    // Reads the list unless it is loaded; false when it cannot be read (see `loadError`).
    bool load();
    // The loaded list; null before a read succeeded.
    const ServerCatalog* list() const { return list_.get(); }
    // Why the last read failed.
    const std::optional<Error>& loadError() const { return loadError_; }

    // Milliseconds of the data centre's last measurement that answered; none when it has none.
    std::optional<std::int64_t> latency(std::int64_t dataCenterId) const;
    // Records a measurement; none (no answer in time) forgets the earlier one.
    void setLatency(std::int64_t dataCenterId, std::optional<std::int64_t> milliseconds);

    // Nothing read, nothing measured.
    void reset();

private:
    std::shared_ptr<const ServerCatalog> list_;
    std::optional<Error> loadError_;
    std::map<std::int64_t, std::int64_t> latencies_;  // data-centre id -> ms
};

}  // namespace zevu::detail
