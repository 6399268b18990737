#include "keyboard/HtmlConversion.h"

#include "platform/FileSystem.h"

#include <string_view>

std::string PictureDirectoryFor(const std::string& htmlPath)
{
    static constexpr std::string_view kPageExtension = ".html";
    static constexpr std::string_view kDirectoryExtension = ".files";
    // Only the page's own name counts: a folder above it may be called
    // anything, "notes.html.d" too.
    const std::size_t nameStart = FileNameStart(htmlPath);
    const std::size_t found = htmlPath.rfind(kPageExtension);
    if (found == std::string::npos || found < nameStart)
        return htmlPath + std::string(kDirectoryExtension);
    std::string directory = htmlPath;
    directory.replace(found, kPageExtension.size(), kDirectoryExtension);
    return directory;
}
