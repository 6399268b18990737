#include "drawing/ExplainModule.h"

#include "drawing/ExplainPicture.h"

extern "C" __attribute__((visibility("default"))) bool MaroviDrawExplanation(const CPageStrokes& page,
                                                                            const PageReadings& readings,
                                                                            const std::string& path,
                                                                            std::string& error)
{
    return DrawExplanation(page, readings, path, error);
}

// The program's type for the entry point, checked where it is defined.
[[maybe_unused]] constexpr DrawExplanationFunction kEntryPointType = &MaroviDrawExplanation;
