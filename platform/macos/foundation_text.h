// Text into Foundation, for the Objective-C++ files of the macOS platform.
#pragma once

#ifdef __OBJC__
#import <Foundation/Foundation.h>

#include <string_view>

namespace platform {

// Texts are well-formed UTF-8 by the time they get here; embedded NULs are kept.
inline NSString* toNSString(std::string_view text) {
  NSString* string = [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSUTF8StringEncoding];
  return string != nil ? string : @"";
}

}  // namespace platform
#endif
