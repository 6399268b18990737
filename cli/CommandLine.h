#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What marovi-convert was asked to do. Paths are as given on the command line,
// in the platform's narrow encoding.
struct ConvertOptions {
    std::string keyboardDir;                // empty: the current directory
    std::optional<std::string> outputFile;  // -o
    std::optional<std::string> outputDir;   // -d
    bool force = false;
    bool verbose = false;
    bool utf8 = false;  // pages in UTF-8 instead of Shift_JIS
    bool help = false;
    bool version = false;
    std::vector<std::string> inkFiles;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Throws UsageError for an
// unknown option, a missing value, -o with -d or with several ink files, or
// no ink file (unless --help or --version was asked for).
ConvertOptions ParseCommandLine(const std::vector<std::string>& args);

// The help text, UTF-8.
std::string HelpText();

// `path` made absolute against `base`, an absolute folder; an absolute path
// is returned as it is. Leading "./" steps are dropped.
std::string AbsolutePath(const std::string& path, const std::string& base);
