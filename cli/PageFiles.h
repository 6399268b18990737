#pragma once

#include "CommandLine.h"
#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"
#include "keyboard/StagedPage.h"
#include "platform/SafeFile.h"

#include <functional>
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
// when the page may be written. With --svg that is any SVG picture of the
// ink file `inkBase` in the page's picture folder: how many the page will
// have is known only once it is written.
std::optional<std::string> ExistingPageFile(const ConvertOptions& options, const std::string& htmlPath,
                                            const std::string& shownPage, const std::string& inkBase);

// The number n of a picture file named "<inkBase>.<n><suffix>" (n decimal
// digits; LONG_MAX for one too long to hold), or -1 for any other name.
long PictureNumber(const std::string& fileName, const std::string& inkBase, const std::string& suffix);

// Whether every asked-for file of the page at `htmlPath`, written from ink
// file `inkBase`, is there: an up to date page without them is not up to
// date for this run.
bool PageFilesPresent(const ConvertOptions& options, const std::string& htmlPath, const std::string& inkBase);

// Whether one of the asked-for files would have the name of the page itself
// (-o memo.txt with --text).
bool PageFileNamedLikeThePage(const ConvertOptions& options, const std::string& htmlPath);

// Writes each asked-for file of the page at `htmlPath`, made from
// `readings` (and the pictures read as `handwriting`, null when the page
// was not read for it), for a page not yet published: each is finished and added to
// `staged`, to be published after the page with `publish`. A file that
// cannot be written or named is told to `failed` with the errno of why,
// once the page is published (never when it is not).
void StagePageFiles(const ConvertOptions& options, const CPageStrokes& page, const PageReadings& readings,
                    const PageHandwriting* handwriting, const std::string& htmlPath, FilePublish publish, CStagedPage& staged,
                    const std::function<void(const std::string& path, int error)>& failed);
