// Start-up measurement. With R205730_EXIT_AFTER_FIRST_PAINT set in the environment, the first
// window to be exposed is painted and put on screen, then the process prints one line and ends:
//   first-paint monotonic_ns=<CLOCK_MONOTONIC> peak_kib=<VmHWM> heap_bytes=<heap in use>
// Without it nothing changes.
#pragma once

namespace platform {
// Call after the application object exists and before any window is shown.
void exitAfterFirstPaintWhenAsked();
}  // namespace platform
