#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// An ink file found in a folder given to the converter.
struct FoundInk {
    std::string path;       // the folder as given, then the file's path in it
    std::string subfolder;  // below the given folder, empty for the folder itself
};

// Whether a name ends in ".ink", in any letter case.
bool IsInkFileName(const std::string& name);

// The ink files directly in `folder` and, with `recursive`, in the folders
// below it (a folder that is a symbolic link is not entered: a link to an
// upper folder would never end). The list is in no particular order.
std::vector<FoundInk> ListInkFiles(const std::string& folder, bool recursive);

// An ink file of a run: where it is, as the user named it, and the subfolder
// of the output folder its page goes to.
struct ListedInk {
    std::string path;   // absolute
    std::string given;  // as on the command line, or the folder so named and the file in it
    std::string subfolder;
};

// The ink files of a run, in run order, held compactly: the folders once,
// each file as its name (a long notebook keeps some thirty bytes a page).
class CInkList {
public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // File `k` as a whole, made anew at each call.
    ListedInk operator[](std::size_t k) const;
    std::string Path(std::size_t k) const;
    std::string Given(std::size_t k) const;
    const std::string& Subfolder(std::size_t k) const;

    void Add(const ListedInk& ink);
    // Into natural order of the absolute paths, equal paths in the order
    // added.
    void SortNaturally();

private:
    // What the files of one folder share: path = pathPrefix + name, given =
    // givenPrefix + name.
    struct Group {
        std::string pathPrefix;
        std::string givenPrefix;
        std::string subfolder;
        uint32_t pathPrefixId;  // equal ids: equal prefixes
    };
    struct Entry {
        uint32_t group;
        uint32_t nameAt;
        uint32_t nameSize;
    };
    std::string_view Name(const Entry& entry) const { return std::string_view(names_).substr(entry.nameAt, entry.nameSize); }

    std::vector<Group> groups_;
    std::map<std::string, uint32_t> groupIds_;
    std::map<std::string, uint32_t> prefixIds_;
    std::string names_;
    std::vector<Entry> entries_;
};

// The run's ink files from its arguments, taken from `startDir`: a folder
// stands for its ink files (ListInkFiles), anything else for itself (a file
// given twice twice). The list is in natural order of the absolute paths,
// equal paths in the order given.
CInkList ListRunInkFiles(const std::vector<std::string>& arguments, bool recursive, const std::string& startDir,
                         std::string (*absolute)(const std::string& path, const std::string& base));
