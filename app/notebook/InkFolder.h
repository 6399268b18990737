#pragma once

#include <string>
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

// The run's ink files from its arguments, taken from `startDir`: a folder
// stands for its ink files (ListInkFiles), anything else for itself (a file
// given twice twice). The list is in natural order of the absolute paths,
// equal paths in the order given.
std::vector<ListedInk> ListRunInkFiles(const std::vector<std::string>& arguments, bool recursive,
                                       const std::string& startDir,
                                       std::string (*absolute)(const std::string& path, const std::string& base));
