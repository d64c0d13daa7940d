#include "api/AuthProtocol.h"

#include <atomic>

namespace morvex {

namespace {
std::atomic<AuthProtocol*> installed{nullptr};
}

AuthProtocol* sharedAuth() { return installed.load(std::memory_order_acquire); }

void installSharedAuth(AuthProtocol* auth) { installed.store(auth, std::memory_order_release); }

}  // namespace morvex
