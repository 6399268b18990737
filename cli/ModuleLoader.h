#pragma once

#include <string>

// The entry point `entryPoint` of the drawing module `module`, loaded from
// its folder relative to the program's folder (MAROVI_MODULE_DIR,
// ../lib/marovi for a plain install; the build tree keeps the same layout);
// null with the reason, UTF-8, in `error`. The module stays loaded for the
// rest of the process.
void* LoadModuleEntry(const char* module, const char* entryPoint, std::string& error);
