#pragma once

#include "CommandLine.h"
#include "keyboard/PageReading.h"
#include "platform/SafeFile.h"

#include <optional>
#include <string>
#include <vector>

class CPageStrokes;

// The files marovi-convert writes beside a page when asked: the page's text
// (--text), its ink with how it was read (--inkml) and a modern page
// (--html5) showing the pictures of the classic one.

// Whether any is asked for; they are made from the page's readings.
bool WantsPageFiles(const ConvertOptions& options);

// The first of the asked-for files of the page at `htmlPath` that exists
// already and is kept (no -f), named as `shownPage` names the page; nothing
// when the page may be written.
std::optional<std::string> ExistingPageFile(const ConvertOptions& options, const std::string& htmlPath,
                                            const std::string& shownPage);

// Whether one of the asked-for files would have the name of the page itself
// (-o memo.txt with --text).
bool PageFileNamedLikeThePage(const ConvertOptions& options, const std::string& htmlPath);

struct PageFileFailure {
    std::string path;
    int error;
};

// Writes each asked-for file whole, after the page at `htmlPath` has been
// written with `readings`; `publish` as for the page. The files that could
// not be written, with the errno of why.
std::vector<PageFileFailure> WritePageFiles(const ConvertOptions& options, const CPageStrokes& page,
                                            const PageReadings& readings, const std::string& htmlPath,
                                            FilePublish publish);
