#pragma once

// A color of the drawing code, components from 0 to 1. It stands apart so
// that the text primitives under the canvas need nothing of the canvas.
struct CanvasColor {
    double red = 0;
    double green = 0;
    double blue = 0;
};
