#pragma once

#include <string_view>

// The order a notebook numbers its pages in: runs of digits compare by their
// value ("p2" before "p10"), everything else byte by byte; names equal so
// ("p02", "p2") fall back to plain byte order, so the order is total.
bool NaturalLess(std::string_view a, std::string_view b);
