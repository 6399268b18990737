#pragma once

#include <string>

// The process's current directory, in the platform's narrow encoding (the
// ANSI code page on Windows). GetCurrentDir returns an empty text if the
// directory cannot be determined; SetCurrentDir reports success.
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& path);

// The platform's folder separator as the program writes it into paths.
char PathSeparator();
