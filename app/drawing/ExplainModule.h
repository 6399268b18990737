#pragma once

#include "keyboard/PageReading.h"

#include <string>

class CPageStrokes;

// The entry point of the explain module (libmarovi_explain.so), found by the
// name kExplainEntryPoint: DrawExplanation of drawing/ExplainPicture.h. The
// module takes every other function it calls from the program that loads it,
// which is built from the same sources.
using DrawExplanationFunction = bool (*)(const CPageStrokes& page, const PageReadings& readings,
                                         const std::string& path, std::string& error);

inline constexpr char kExplainModule[] = "libmarovi_explain.so";
inline constexpr char kExplainEntryPoint[] = "MaroviDrawExplanation";
