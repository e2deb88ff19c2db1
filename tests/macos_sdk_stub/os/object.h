// Stub of os/object.h (see ../README.md): in Objective-C, the root of the system's
// reference-counted objects, dispatch's among them, is NSObject, and nothing more of
// Foundation comes with it.
#pragma once

#ifdef __OBJC__
#import <objc/NSObject.h>
#endif
