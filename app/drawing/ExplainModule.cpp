#include "drawing/ExplainModule.h"

#include "drawing/ExplainPicture.h"

extern "C" __attribute__((visibility("default"))) bool MaroviDrawExplanation(const ExplainPage& page,
                                                                            const std::string& path,
                                                                            std::string& error)
{
    // Nothing thrown here may reach the program, whose C++ runtime is its
    // own. DrawExplanation tells every failure of the drawing itself; what is
    // left is memory running out, told without taking more.
    try {
        return DrawExplanation(page, path, error);
    } catch (...) {
        error = "out of memory";
        return false;
    }
}

// The program's type for the entry point, checked where it is defined.
[[maybe_unused]] constexpr DrawExplanationFunction kEntryPointType = &MaroviDrawExplanation;
