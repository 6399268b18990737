#include "notebook/InkFolder.h"

#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"
#include "notebook/NaturalOrder.h"

#include <algorithm>

#include <cctype>
#include <cstddef>

namespace {

void Collect(const std::string& folder, const std::string& subfolder, bool recursive, std::vector<FoundInk>& found)
{
    for (const std::string& name : FolderEntries(folder)) {
        const std::string path = JoinPath(folder, name);
        if (IsFolder(path)) {
            if (recursive && !IsLink(path))
                Collect(path, JoinPath(subfolder, name), recursive, found);
        } else if (IsInkFileName(name)) {
            found.push_back({path, subfolder});
        }
    }
}

}  // namespace

bool IsInkFileName(const std::string& name)
{
    constexpr char kExtension[] = ".ink";
    constexpr std::size_t kLength = sizeof(kExtension) - 1;
    if (name.size() <= kLength)
        return false;
    for (std::size_t k = 0; k < kLength; ++k) {
        const auto c = static_cast<unsigned char>(name[name.size() - kLength + k]);
        if (std::tolower(c) != kExtension[k])
            return false;
    }
    return true;
}

std::vector<FoundInk> ListInkFiles(const std::string& folder, bool recursive)
{
    std::vector<FoundInk> found;
    Collect(folder, "", recursive, found);
    return found;
}

std::vector<ListedInk> ListRunInkFiles(const std::vector<std::string>& arguments, bool recursive,
                                       const std::string& startDir,
                                       std::string (*absolute)(const std::string& path, const std::string& base))
{
    std::vector<ListedInk> listed;
    for (const std::string& argument : arguments) {
        const std::string path = absolute(argument, startDir);
        if (!IsFolder(path)) {
            listed.push_back({path, argument, ""});
            continue;
        }
        for (FoundInk& found : ListInkFiles(path, recursive)) {
            const std::string given = JoinPath(argument, found.path.substr(JoinPath(path, "").size()));
            listed.push_back({std::move(found.path), given, std::move(found.subfolder)});
        }
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const ListedInk& a, const ListedInk& b) { return NaturalLess(a.path, b.path); });
    return listed;
}
