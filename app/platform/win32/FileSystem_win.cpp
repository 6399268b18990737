#include "platform/FileSystem.h"

#include <windows.h>

#include <direct.h>

#include <cerrno>

namespace {

// The attributes of `path`; INVALID_FILE_ATTRIBUTES when there is nothing.
// Unlike stat, this takes a folder written with a separator at its end.
DWORD AttributesOf(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

bool PathExists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int MakeFolder(const std::string& folder)
{
    if (_mkdir(folder.c_str()) == 0)
        return 0;
    const int error = errno;
    return error == EEXIST && IsFolder(folder) ? 0 : error;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    const char last = folder.empty() ? '\0' : folder.back();
    const std::string pattern = folder + (last == '\\' || last == '/' || last == '\0' ? "*" : "\\*");
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}
