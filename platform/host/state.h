// Internal state shared by the host's modules.
#pragma once

#include "platform/host/host.h"

#include <mutex>

namespace tolma::host::detail {

// Counts a call to `point` and says whether it is to fail.
bool ShouldFail(FailPoint point);

// One lock for the host's bookkeeping (several rendering threads may call in at once).
std::recursive_mutex& HostMutex();

// Resets of each module, called by host::Reset.
void ResetSpooler();
void ResetKernel();
void ResetRegistry();
void ResetUser();
void ResetDraw();
void ResetGdi();

}  // namespace tolma::host::detail
