#pragma once

#include <string>

// What the index shows of a page Marovi wrote, taken from its bytes as they
// were written.
struct PageSummary {
    // Shift_JIS. The text as the page shows it, one line per line ending in
    // "\n", empty lines at its start and end dropped; the title is its first
    // line.
    std::string title;
    std::string text;
};

// `html` is a page of the converter, in UTF-8 when `utf8`: its body's text
// between the tags, "<BR>" ending lines and character references decoded.
PageSummary SummarisePage(const std::string& html, bool utf8);
