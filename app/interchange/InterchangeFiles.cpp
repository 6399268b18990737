#include "interchange/InterchangeFiles.h"

#include "platform/FileSystem.h"

std::string FileBesidePage(const std::string& htmlPath, std::string_view extension)
{
    const std::size_t nameStart = FileNameStart(htmlPath);
    const std::size_t dot = htmlPath.find_last_of('.');
    const std::string base = dot == std::string::npos || dot < nameStart ? htmlPath : htmlPath.substr(0, dot);
    return base + std::string(extension);
}
