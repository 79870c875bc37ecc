// A tweak of this build that says so in the log when it is loaded.
#include "platform/foundation/NSLog.h"

namespace {

[[gnu::constructor]] void announce() { NSLog("test tweak %s loaded", TWEAK_NAME); }

} // namespace
