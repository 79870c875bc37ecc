// A well-formed library that cannot be loaded: it needs a symbol that nothing provides.
extern "C" {
extern int glyphwardNoSuchSymbol;
int glyphwardReadMissing() { return glyphwardNoSuchSymbol; }
}
