#pragma once
// Shared by the fuzz targets: a private device root on a memory file system, made once per
// process, so that file work stays fast and never touches the staged root.
#include <string>

namespace fuzz {

// Creates the root on first use (under /dev/shm when it exists) and points the toolkit at it.
// With withBundle the staged lock bundle is copied in.
const std::string& privateRoot(bool withBundle = false);
// Silences NSLog on stderr: the targets log on almost every input.
void quietLogs();

} // namespace fuzz
