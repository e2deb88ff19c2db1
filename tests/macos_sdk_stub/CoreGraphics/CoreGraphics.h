// Stub of the CoreGraphics and CoreFoundation subset used by the indicator (see ../README.md).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#ifndef __OBJC__
typedef const void* CFTypeRef;
void CFRelease(CFTypeRef cf);
#endif
typedef const struct __CFDictionary* CFDictionaryRef;
// The current login session's properties, or NULL outside a graphical login session.
CFDictionaryRef CGSessionCopyCurrentDictionary(void) __attribute__((availability(macos, introduced = 10.3)));

#ifdef __cplusplus
}
#endif
