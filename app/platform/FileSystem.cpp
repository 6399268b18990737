#include "platform/FileSystem.h"

#include "platform/CurrentDirectory.h"
#include "platform/TextEncoding.h"

#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '/' || c == PathSeparator(); }

// Where the path's root ends: after "/" or "C:\" (and after a bare "C:").
std::size_t RootLength(const std::string& path)
{
    std::size_t root = 0;
    if (PathSeparator() == '\\' && path.size() >= 2 && path[1] == ':')
        root = 2;
    return root < path.size() && IsSeparator(path[root]) ? root + 1 : root;
}

}  // namespace

std::string SystemErrorText(int error)
{
    if (error == kErrorNotRegularFile)
        return "not a regular file";
    if (error == kErrorTooLarge)
        return "larger than 4 MiB";
#ifdef _WIN32
    // The runtime's texts are in the ANSI code page.
    return SjisToUtf8(std::strerror(error));
#else
    return std::strerror(error);
#endif
}

int MakeFolders(const std::string& folder)
{
    if (folder.empty() || IsFolder(folder))
        return 0;
    const std::string parent = ParentFolder(folder);
    if (!parent.empty() && parent.size() < folder.size()) {
        if (const int error = MakeFolders(parent); error != 0)
            return error;
    }
    return MakeFolder(folder);
}

std::size_t FileNameStart(const std::string& path)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsPathLeadByte(static_cast<unsigned char>(path[i])))
            ++i;
        else if (path[i] == '/' || path[i] == PathSeparator())
            start = i + 1;
    }
    return start;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || FileNameStart(folder) == folder.size())
        return folder + name;
    return folder + PathSeparator() + name;
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t root = RootLength(path);
    // The last separator after the root; a lead byte's second byte may look
    // like one, so the text is read character by character.
    std::size_t last = std::string::npos;
    for (std::size_t i = root; i < path.size(); ++i) {
        if (IsPathLeadByte(static_cast<unsigned char>(path[i])))
            ++i;
        else if (IsSeparator(path[i]))
            last = i;
    }
    if (last == std::string::npos)
        return path.substr(0, root);
    std::size_t end = last;
    while (end > root && IsSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}
