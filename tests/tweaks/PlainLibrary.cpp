// A library that does not link the platform; it counts how often its initializer ran.
extern "C" {
int glyphwardTestPlainRuns = 0;
}

namespace {

[[gnu::constructor]] void ran() { ++glyphwardTestPlainRuns; }

} // namespace
