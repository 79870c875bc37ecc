// A library that does not link the platform; it counts how often its initializer ran. The count
// is read through a function: a global variable would be interposed by the first copy loaded, so a
// later copy's initializer would count in the first copy's variable.
namespace {

int runs = 0;

[[gnu::constructor]] void ran() { ++runs; }

} // namespace

extern "C" int glyphwardTestPlainRuns() { return runs; }
