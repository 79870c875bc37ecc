#pragma once
#include "platform/foundation/Result.h"

#include <string>

// Opens shared libraries through descriptors already open on them (dlopen of /proc/self/fd/N,
// so the file checked is the file loaded), each file as a new object exactly once, and keeps
// them loaded for the life of the process.
//
// The dynamic linker knows an object by the name it was opened under and matches names before
// files: a /proc name whose descriptor has closed and whose number came back for another file
// would hand back the first library's handle. So each library's descriptor stays open, and a
// library is moved to a descriptor number that no loaded object is named after.
class DynamicLibraryOpener {
public:
    enum class Outcome { Loaded, AlreadyLoaded };

    // Loads the library open at fd (the path is for the fallback without /proc). Fails with what
    // the dynamic linker said.
    static Result<Outcome> open(int fd, const std::string& path);
};
