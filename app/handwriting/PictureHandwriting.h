#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the handwriting of one picture read as: plain data, shared by the
// writers of the files beside a page and by modules loaded beside the
// program. Boxes are in the picture's ink coordinates (pen units, 0.01 mm,
// y downwards, the frame of the picture's own box); texts are Shift_JIS.

struct HandwritingCandidate {
    std::string text;    // one character, Shift_JIS
    float score = 0.0f;  // the recogniser's, higher is likelier
};

// One character cell of a line of writing, left to right.
struct HandwritingCell {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    // Best first; never empty in a picture taken as writing.
    std::vector<HandwritingCandidate> candidates;
};

struct PictureHandwriting {
    // False: the picture is a sketch, and nothing about it changes.
    bool writing = false;
    // The best candidate of every cell, in order; empty for a sketch.
    std::string text;
    std::vector<HandwritingCell> cells;
};

// The pictures of one page taken as writing, by picture number; a sketch
// has no entry.
using PageHandwriting = std::map<int32_t, PictureHandwriting>;

// The writing of picture `number`, null when the picture is a sketch or the
// page was not read for handwriting.
inline const PictureHandwriting* WritingOf(const PageHandwriting* page, int32_t number)
{
    if (page == nullptr)
        return nullptr;
    const auto found = page->find(number);
    return found != page->end() && found->second.writing ? &found->second : nullptr;
}
