#pragma once

#include <string>

// The process's current directory, in the platform's narrow encoding (the
// ANSI code page on Windows). GetCurrentDir returns an empty text if the
// directory cannot be determined; SetCurrentDir reports success.
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& path);

// The platform's folder separator as the program writes it into paths.
char PathSeparator();

// Whether `c` begins a two-byte character of the narrow path encoding (its
// second byte may then be the separator). On Windows that is the lead bytes
// of the ANSI code page, none on a Western system; never on POSIX, whose
// multi-byte encodings keep '/' out of their characters.
bool IsPathLeadByte(unsigned char c);
