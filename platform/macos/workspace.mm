// The workspace on macOS: Foundation's URL parser and NSWorkspace's opener.
#import <AppKit/AppKit.h>

#include "platform/macos/foundation_text.h"
#include "platform/workspace.h"

namespace platform::workspace {
namespace {

// macOS 14 parses by RFC 3986, earlier systems by RFC 1738/1808. Linked against the 14 SDK,
// URLWithString: on 14 percent-encodes what it would otherwise refuse (a space, a NUL,
// non-ASCII), where 11 to 13 refuse it; not encoding keeps those refusals on 14 too.
NSURL* toNSURL(const std::string& text) {
  NSString* string = toNSString(text);
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= 140000
  if (@available(macOS 14, *)) return [NSURL URLWithString:string encodingInvalidCharacters:NO];
#endif
  return [NSURL URLWithString:string];
}

}  // namespace

bool acceptsURL(const std::string& text) { return toNSURL(text) != nil; }

std::optional<std::string> openURL(const std::string& text) {
  NSURL* url = toNSURL(text);
  if (url == nil) return std::string(notAnAddress);
  if (![NSWorkspace.sharedWorkspace openURL:url]) return std::string(noHandler);
  return std::nullopt;
}

}  // namespace platform::workspace
