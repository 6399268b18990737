#pragma once

#include "keyboard/PageReading.h"

#include <string>

class CPageStrokes;

// Draws the explain picture of a converted page at `path` through the explain
// module; on failure the reason, UTF-8, is in `error`.
using ExplainPictureFunction = bool (*)(const CPageStrokes& page, const PageReadings& readings,
                                        const std::string& path, std::string& error);

// Loads the explain module (see LoadModuleEntry) and returns the function
// that draws through it; null with the reason, UTF-8, in `error`.
ExplainPictureFunction LoadExplainModule(std::string& error);
