#pragma once

#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"

#include <string>

class CPageStrokes;

// Draws the explain picture of a converted page at `path` through the explain
// module, with the pictures read as `handwriting` (null: the page was not
// read for it); on failure the reason, UTF-8, is in `error`.
using ExplainPictureFunction = bool (*)(const CPageStrokes& page, const PageReadings& readings,
                                        const PageHandwriting* handwriting, const std::string& path,
                                        std::string& error);

// Loads the explain module (see LoadModuleEntry) and returns the function
// that draws through it; null with the reason, UTF-8, in `error`.
ExplainPictureFunction LoadExplainModule(std::string& error);
