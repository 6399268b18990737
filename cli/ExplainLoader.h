#pragma once

#include "drawing/ExplainModule.h"

#include <string>

// Loads the explain module from the library folder beside the program's
// folder (../lib, in the build tree as where it is installed) and returns its
// entry point; null with the reason, UTF-8, in `error`. The module stays
// loaded for the rest of the process.
DrawExplanationFunction LoadExplainModule(std::string& error);
