// The heap set up for the burst of allocation at start-up.
#pragma once

namespace platform {
// Call first in main, before any other thread starts.
void prepareHeap();
}  // namespace platform
