#pragma once

#include "drawing/ExplainModule.h"

#include <string>

// Loads the explain module from its folder relative to the program's folder
// (MAROVI_EXPLAIN_MODULE_DIR, ../lib/marovi for a plain install; the build
// tree keeps the same layout) and returns its entry point; null with the
// reason, UTF-8, in `error`. The module stays loaded for the rest of the
// process.
DrawExplanationFunction LoadExplainModule(std::string& error);
