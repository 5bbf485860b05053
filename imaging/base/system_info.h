// Questions to the platform: its version, the processor, the session, the mouse buttons and
// the clipboard.
#pragma once

#include <cstdint>

namespace imaging {

// 0 Windows 95, 1 98, 2 Me, 3 NT 4, 4 2000, 5 XP, 6 5.2, 7 6.0, 8 6.1, 9 anything else or
// unknown.
uint8_t GetWindowsVersionCode();
bool CPUHasMMX();
// Processor cores (hyper-threaded siblings count once); 1 when unknown. Asked once, then
// remembered until the shared start-up runs again.
int32_t GetProcessorCoreCount();
// Forgets the remembered core count (the shared start-up does this).
void ResetProcessorCoreCount();
bool IsRemoteSession();
// The primary (logical left) mouse button is down now, swapped buttons respected.
bool IsLeftButtonDown();
// Opens the clipboard (no owner window), trying up to 10 times 20 ms apart.
bool OpenClipboardRetry();
// The 16 bytes are equal.
bool SameGUID(const void* a, const void* b);

}  // namespace imaging
