#pragma once

#include <string>
#include <vector>

// The few file-system calls of the converter, on the platform's narrow paths
// (the ANSI code page on Windows), as plain system calls: the C++ library's
// file-system layer would bring its locale machinery into every start of
// marovi-convert, a few hundred microseconds of a page of a few milliseconds.

// Whether something exists at `path`, and whether it is a folder.
bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);

// Makes `folder`. 0 when it is a folder afterwards, made now or before;
// otherwise the errno of the failure (EEXIST: a file of that name).
int MakeFolder(const std::string& folder);

// Makes `folder` and whatever folders above it are missing; 0, or the errno
// of the first one that could not be made.
int MakeFolders(const std::string& folder);

// The names in `folder`, "." and ".." left out; none when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// `path` without its last component: "/a/b" gives "/a", "/a" gives "/", a
// bare name gives "". On Windows '\' separates too and a drive's root
// ("C:\") is kept like "/".
std::string ParentFolder(const std::string& path);
