#include "notebook/InkFolder.h"

#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"
#include "notebook/NaturalOrder.h"

#include <algorithm>
#include <functional>

#include <cctype>
#include <cstddef>

namespace {

void Collect(const std::string& folder, const std::string& subfolder, bool recursive,
             const std::function<void(FoundInk&&)>& take)
{
    ForEachFolderEntry(folder, [&](const std::string& name) {
        std::string path = JoinPath(folder, name);
        if (IsInkFileName(name) && !IsFolder(path)) {
            take({std::move(path), subfolder});
        } else if (recursive && IsFolder(path) && !IsLink(path)) {
            Collect(path, JoinPath(subfolder, name), recursive, take);
        }
    });
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
    Collect(folder, "", recursive, [&found](FoundInk&& ink) { found.push_back(std::move(ink)); });
    return found;
}

ListedInk CInkList::operator[](std::size_t k) const { return {Path(k), Given(k), Subfolder(k)}; }

std::string CInkList::Path(std::size_t k) const
{
    const Entry& entry = entries_[k];
    return groups_[entry.group].pathPrefix + std::string(Name(entry));
}

std::string CInkList::Given(std::size_t k) const
{
    const Entry& entry = entries_[k];
    return groups_[entry.group].givenPrefix + std::string(Name(entry));
}

const std::string& CInkList::Subfolder(std::size_t k) const { return groups_[entries_[k].group].subfolder; }

void CInkList::Add(const ListedInk& ink)
{
    // The name the path and the given path end in; a given path that ends
    // otherwise is a group of its own, with an empty name.
    std::size_t nameSize = ink.path.size() - FileNameStart(ink.path);
    const bool givenEndsSo = ink.given.size() >= nameSize &&
                             ink.given.compare(ink.given.size() - nameSize, nameSize, ink.path, ink.path.size() - nameSize,
                                               nameSize) == 0;
    if (!givenEndsSo)
        nameSize = 0;
    const std::size_t pathPrefixSize = ink.path.size() - nameSize;
    const std::size_t givenPrefixSize = ink.given.size() - nameSize;
    // The files of a folder come one after another: most are of the group
    // before.
    if (!entries_.empty()) {
        const uint32_t last = entries_.back().group;
        const Group& before = groups_[last];
        if (before.pathPrefix.size() == pathPrefixSize && before.givenPrefix.size() == givenPrefixSize &&
            ink.path.compare(0, pathPrefixSize, before.pathPrefix) == 0 &&
            ink.given.compare(0, givenPrefixSize, before.givenPrefix) == 0 && before.subfolder == ink.subfolder) {
            entries_.push_back({last, static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(nameSize)});
            names_.append(ink.path, pathPrefixSize, nameSize);
            return;
        }
    }
    Group group{ink.path.substr(0, pathPrefixSize), ink.given.substr(0, givenPrefixSize), ink.subfolder, 0};
    const auto [prefix, newPrefix] = prefixIds_.emplace(group.pathPrefix, static_cast<uint32_t>(prefixIds_.size()));
    group.pathPrefixId = prefix->second;
    std::string key = group.pathPrefix;
    key += '\0';
    key += group.givenPrefix;
    key += '\0';
    key += group.subfolder;
    const auto [found, added] = groupIds_.emplace(std::move(key), static_cast<uint32_t>(groups_.size()));
    if (added)
        groups_.push_back(std::move(group));
    entries_.push_back({found->second, static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(nameSize)});
    names_.append(ink.path, ink.path.size() - nameSize, nameSize);
}

void CInkList::SortNaturally()
{
    // Paths of one folder compare as their names do: the folder ends in a
    // separator, which no run of digits crosses.
    std::stable_sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
        const Group& left = groups_[a.group];
        const Group& right = groups_[b.group];
        if (left.pathPrefixId == right.pathPrefixId)
            return NaturalLess(Name(a), Name(b));
        return NaturalLess(left.pathPrefix + std::string(Name(a)), right.pathPrefix + std::string(Name(b)));
    });
    groupIds_.clear();
    prefixIds_.clear();
}

CInkList ListRunInkFiles(const std::vector<std::string>& arguments, bool recursive, const std::string& startDir,
                         std::string (*absolute)(const std::string& path, const std::string& base))
{
    CInkList listed;
    for (const std::string& argument : arguments) {
        const std::string path = absolute(argument, startDir);
        if (!IsFolder(path)) {
            listed.Add({path, argument, ""});
            continue;
        }
        const std::string base = JoinPath(path, "");
        Collect(path, "", recursive, [&](FoundInk&& found) {
            const std::string given = JoinPath(argument, found.path.substr(base.size()));
            listed.Add({std::move(found.path), given, std::move(found.subfolder)});
        });
    }
    listed.SortNaturally();
    return listed;
}
