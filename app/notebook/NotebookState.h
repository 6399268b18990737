#pragma once

#include "notebook/PageCarry.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
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
};

struct NotebookState {
    uint64_t keyboard = 0;  // KeyboardFingerprint of the run's keyboard
    bool utf8 = false;      // the pages' encoding
    PageCarry start;        // the carry the first page was read with
    // By page, in natural order.
    std::vector<NotebookPage> pages;
};

// The state as the file holds it: a header line, a settings line, one line
// per page of tab-separated fields, and an end line with the page count, so
// that a file cut short does not read as a shorter notebook.
std::string FormatState(const NotebookState& state);
// False, with `state` unspecified, when `text` is not a whole state file.
bool ParseState(const std::string& text, NotebookState& state);
