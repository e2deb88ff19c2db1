// The workspace on macOS: Foundation's URL parser and NSWorkspace's opener.
#import <AppKit/AppKit.h>

#include "platform/foundation_text.h"
#include "platform/workspace.h"

namespace platform::workspace {
namespace {

// One parser on every macOS: linked against the macOS 14 SDK, URLWithString: parses by
// RFC 3986 and percent-encodes what it would otherwise refuse (a space, a NUL, non-ASCII),
// where macOS 11 to 13 refuse it. Not encoding keeps the stricter behaviour everywhere.
NSURL* toNSURL(const std::string& text) {
  NSString* string = toNSString(text);
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= 140000
  if (@available(macOS 14, *)) return [NSURL URLWithString:string encodingInvalidCharacters:NO];
#endif
  return [NSURL URLWithString:string];
}

}  // namespace

bool acceptsURL(const std::string& text) { return toNSURL(text) != nil; }

void openURL(const std::string& text) {
  if (NSURL* url = toNSURL(text)) [NSWorkspace.sharedWorkspace openURL:url];
}

}  // namespace platform::workspace
