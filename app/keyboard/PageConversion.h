#pragma once

#include "keyboard/PageStrokes.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CKeyboardDef;
class CQuadMapping;

// Writes one recognised page as HTML at `htmlPath`; the pictures are named
// after `inkBaseName`. True when the page was written; a failure has shown its
// message.
using PageWriter =
    std::function<bool(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName)>;

// The program's page writer, CPageStrokes::ConvertToHtml.
bool WriteHtmlPage(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName);

// Where the page of an ink file goes, asked once the page has been
// recognised; nothing when it is not to be written.
using HtmlPathChooser = std::function<std::optional<std::string>(const std::string& inkBaseName)>;

struct InkFileConversion {
    enum class Outcome { Unreadable, Cancelled, WriteFailed, Converted };

    Outcome outcome = Outcome::Unreadable;
    // The recognised page, null when the ink file could not be read. Its
    // keyboard carries a calibration found on it to the pages after it.
    std::unique_ptr<CPageStrokes> page;
    // Where the page was asked to go; empty when unreadable or cancelled.
    std::string htmlPath;
};

// What the window's file list and the command line call an outcome
// (Shift_JIS). Both show the same words, and a row opens its page only while
// it says the converted one.
const char* OutcomeText(InkFileConversion::Outcome outcome);
// Said of a page that was not converted again because it is newer than its
// ink file; no conversion ends that way.
inline constexpr char kUpToDateText[] = "最新";

// The way through one page: reads the ink file, recognises it with
// `keyboard` (a calibration at its start re-aims the mapping and rewrites
// softKB.skb in the current directory), asks where the page goes and writes
// it with its pictures. A file that cannot be read, or a page that cannot be
// written, has shown its message on the keyboard's message box.
InkFileConversion ConvertInkFile(const std::string& inkPath, std::unique_ptr<CKeyboardDef> keyboard,
                                 CQuadMapping* mapping, const HtmlPathChooser& chooseHtmlPath,
                                 const PageWriter& writePage = WriteHtmlPage);
// The first half of ConvertInkFile: reads and recognises the ink file and
// asks where the page goes, writing nothing. Converted here means the page
// is to be written to htmlPath.
InkFileConversion ReadInkFile(const std::string& inkPath, std::unique_ptr<CKeyboardDef> keyboard,
                              CQuadMapping* mapping, const HtmlPathChooser& chooseHtmlPath);
// The same, the page going to `htmlPath`.
InkFileConversion ConvertInkFile(const std::string& inkPath, std::unique_ptr<CKeyboardDef> keyboard,
                                 CQuadMapping* mapping, const std::string& htmlPath);

// The ink file's name without its folder and without its extension (from the
// last "." of the name on). Folders end at "/" and at `separator`; a byte for
// which `isLeadByte` holds begins a two-byte character, whose second byte
// ends nothing (in Shift_JIS it may be "\").
std::string InkBaseName(const std::string& path, char separator, bool (*isLeadByte)(unsigned char));
// With the platform's separator and the lead bytes of its path encoding.
std::string InkBaseName(const std::string& path);
