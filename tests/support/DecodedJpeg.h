#pragma once

#include "platform/Raster.h"

#include <cstdint>
#include <string>
#include <vector>

// A JPEG file as libjpeg decodes it.
struct DecodedJpeg {
    bool ok = false;
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<int> dcQuantisers;  // first entry of every quantisation table
    std::vector<uint8_t> rgb;       // top row first

    RgbColor At(int x, int y) const;
};

DecodedJpeg DecodeJpeg(const std::string& path);

// The marker that starts the frame: 0xC0 (SOF0) for baseline; 0 when none.
uint8_t FirstFrameMarker(const std::string& path);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Within the tolerance JPEG allows a flat area.
bool IsNear(RgbColor actual, RgbColor expected, int tolerance = 24);
