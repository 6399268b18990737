#pragma once

#include "notebook/PageCarry.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The file in the output folder that remembers the pages a notebook run
// wrote there, for the next --update and for the index.
inline constexpr char kNotebookStateName[] = ".marovi-notebook";

// One page of the output folder and what it was made from.
struct NotebookPage {
    std::string page;  // relative to the output folder
    std::string ink;   // the ink file, absolute
    FileStamp inkStamp;
    uint64_t inkHash = 0;
    // In force when the page was read, and what it left for the next page.
    PageCarry carryIn;
    PageCarry carryOut;
    std::string thumbnail;  // relative to the output folder; empty: none
    // Shift_JIS: the page's first line, and all of its text, lines ending in
    // "\n".
    std::string title;
    std::string text;
    // Shift_JIS: what the pictures' handwriting read as, for the search
    // (HandwritingCandidates); empty when the page was not read for it. A
    // page line holds it only when the page was read for it (`-` for
    // nothing found), so the lines of pages not read are as before.
    std::string handwriting;
    bool handwritingRead = false;
};

struct NotebookState {
    uint64_t keyboard = 0;  // KeyboardFingerprint of the run's keyboard
    bool utf8 = false;      // the pages' encoding
    PageCarry start;        // the carry the first page was read with
    // By page, in natural order.
    std::vector<NotebookPage> pages;
};

// Takes a file's bytes in the order they are made, a piece at a time: long
// files are never held whole.
using ByteSink = std::function<void(std::string_view bytes)>;

// The state as the file holds it: a header line, a settings line, one line
// per page of tab-separated fields, and an end line with the page count, so
// that a file cut short does not read as a shorter notebook. Line by line to
// `sink`.
void FormatState(const NotebookState& state, const ByteSink& sink);
// Its parts: the header and settings lines (of state's settings, its pages
// left out), the line of one page, and the end line.
std::string StateHead(const NotebookState& state);
std::string StateLine(const NotebookPage& page);
std::string StateEnd(std::size_t pageCount);
// Reads a state file line by line from `stream`. False, with `state`
// unspecified, when it is not a whole state file.
bool ParseState(std::FILE* stream, NotebookState& state);

// A state file read page by page, in its order, none of them held: Open
// checks the whole file first (one cut short or damaged is not taken at
// all), Next hands out its pages.
class CStateReader {
public:
    CStateReader() = default;
    ~CStateReader();
    CStateReader(const CStateReader&) = delete;
    CStateReader& operator=(const CStateReader&) = delete;

    // Takes `stream` over (it is closed when the reader goes). False when it
    // is not a whole state file.
    bool Open(std::FILE* stream);
    // The settings of the file; its pages are left out.
    const NotebookState& Head() const { return head_; }
    // The next page; false at the end.
    bool Next(NotebookPage& page);

private:
    void Close();

    std::FILE* stream_ = nullptr;
    NotebookState head_;
};
