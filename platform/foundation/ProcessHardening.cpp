#include "foundation/ProcessHardening.h"

#include <sys/prctl.h>

namespace morvex {

bool hardenProcess() { return ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0; }

}  // namespace morvex
