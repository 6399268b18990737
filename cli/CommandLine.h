#pragma once

#include "platform/TextEncoding.h"

#include <cstdio>
#include <functional>
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
    bool explain = false;  // how each page was read, beside it
    // A folder given stands for its ink files; with `recursive` those of its
    // subfolders too.
    bool recursive = false;
    bool update = false;  // only what is out of date, remembered in the output folder
    bool index = false;   // index.html over the output folder's pages
    bool watch = false;   // --update --index, then again at every change of the folder
    bool text = false;     // the page's text, beside it
    bool inkml = false;    // the page's ink and readings as InkML, beside it
    bool html5 = false;    // a modern page, beside it
    bool svg = false;      // every picture also as SVG, beside its JPEG
    std::optional<std::string> pdfFile;  // the pages of the run as one PDF
    std::optional<std::string> paper;    // its paper, by name
    bool recognize = false;  // the pictures read for handwriting
    std::optional<std::string> model;  // --model: the handwriting model
    int jobs = 0;          // pages written side by side; 0: one per core
    bool help = false;
    bool version = false;
    std::vector<std::string> inkFiles;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One option of a command-line program: its short name (0 for the long form
// only), its long name, the caller's number for it and whether it takes a
// value.
struct OptionName {
    char shortName;
    const char* longName;
    int id;
    bool takesValue;
};

// Walks the arguments after the program name. Options go to onOption with
// their value (empty for one that takes none): clusters of short options,
// "-k DIR", "-kDIR", "--name VALUE" and "--name=VALUE"; "--" ends the options.
// Everything else goes to onOperand. Throws UsageError for an unknown option,
// a missing or empty value, or a value given to an option that takes none.
void ParseArguments(const std::vector<std::string>& args, const std::vector<OptionName>& names,
                    const std::function<void(int id, const std::string& value)>& onOption,
                    const std::function<void(const std::string& operand)>& onOperand);

// Reads the arguments after the program name. Throws UsageError for an
// unknown option, a missing value, -o with -d or with several ink files, or
// no ink file (unless --help or --version was asked for), -o with --update,
// --index or --watch, --watch with more than one folder, --pdf with -o, or
// --paper without --pdf.
ConvertOptions ParseCommandLine(const std::vector<std::string>& args);

// The help text, UTF-8.
std::string HelpText();

// Whether `path` starts at a root ("/", or "C:\\" and "\\" on Windows).
bool IsAbsolutePath(const std::string& path);

// `path` made absolute against `base`, an absolute folder; an absolute path
// is returned as it is. Leading "./" steps are dropped.
std::string AbsolutePath(const std::string& path, const std::string& base);

// Writes the bytes as they are.
void Print(std::FILE* stream, const std::string& text);

// The exit status of a program that would end with `status`, once stdout and
// stderr are flushed: 1 at least when anything written to either did not
// reach it (a full disk, a closed pipe), which is said on stderr while it
// still takes text. `program` is the name messages begin with.
int FinishStandardStreams(const char* program, int status);
// Says on stderr that stdout could not be written, with the reason `error`
// (an errno value; 0 when unknown), and clears stdout's error flag so that
// FinishStandardStreams does not say it again.
void ReportStandardOutputFailure(const char* program, int error);


// Makes the keyboard folder, taken from `startDir`, the current directory, so
// that softKB.skb is read from there. An empty folder keeps the current one.
// False when the folder cannot be entered.
bool EnterKeyboardDir(const std::string& keyboardDir, const std::string& startDir);
