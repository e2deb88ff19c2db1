// Stub of the CoreGraphics subset used by the indicator (see ../README.md).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

// The current login session's properties, or NULL outside a graphical login session.
CFDictionaryRef _Nullable CGSessionCopyCurrentDictionary(void) __attribute__((availability(macos, introduced = 10.3)));

#ifdef __cplusplus
}
#endif
