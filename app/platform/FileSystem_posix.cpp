#include "platform/FileSystem.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>

bool PathExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int MakeFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0777) == 0)
        return 0;
    const int error = errno;
    return error == EEXIST && IsFolder(folder) ? 0 : error;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}
