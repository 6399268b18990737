#pragma once

#include "platform/Raster.h"

#include <cstdint>
#include <string_view>

// The colors of the notepad's pens, by the color code of their samples:
// 2 blue, 3 red, and black for 1 and any other code. The pictures draw with
// `rgb`, the pages color key texts with `html`.
struct PenColor {
    RgbColor rgb;
    std::string_view html;
};

inline const PenColor& PenColorOf(uint16_t penColor)
{
    static constexpr PenColor kBlack{{0, 0, 0}, "#000000"};
    static constexpr PenColor kBlue{{0, 0, 255}, "#0000FF"};
    static constexpr PenColor kRed{{255, 0, 0}, "#FF0000"};
    return penColor == 2 ? kBlue : penColor == 3 ? kRed : kBlack;
}
