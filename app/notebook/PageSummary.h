#pragma once

#include <string>

// What the index shows of a page Marovi wrote, read back from the page.
struct PageSummary {
    // Shift_JIS. The text as the page shows it, one line per line ending in
    // "\n", empty lines at its start and end dropped; the title is its first
    // line.
    std::string title;
    std::string text;
    // The first picture's src, as the page names it; empty when none.
    std::string firstPicture;
};

// `html` is a page of the converter, in UTF-8 when `utf8`: its body's text
// between the tags, "<BR>" ending lines and character references decoded.
PageSummary SummarisePage(const std::string& html, bool utf8);
