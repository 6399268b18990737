#include "notebook/NaturalOrder.h"

#include <cstddef>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the run of digits from `start`.
std::size_t DigitsEnd(std::string_view text, std::size_t start)
{
    while (start < text.size() && IsDigit(text[start]))
        ++start;
    return start;
}

// Compares two runs of digits by value: -1, 0 or 1. Any length is taken, so
// no number overflows.
int CompareNumbers(std::string_view a, std::size_t aStart, std::size_t aEnd, std::string_view b,
                   std::size_t bStart, std::size_t bEnd)
{
    while (aStart + 1 < aEnd && a[aStart] == '0')
        ++aStart;
    while (bStart + 1 < bEnd && b[bStart] == '0')
        ++bStart;
    if (aEnd - aStart != bEnd - bStart)
        return aEnd - aStart < bEnd - bStart ? -1 : 1;
    for (; aStart < aEnd; ++aStart, ++bStart) {
        if (a[aStart] != b[bStart])
            return a[aStart] < b[bStart] ? -1 : 1;
    }
    return 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t aEnd = DigitsEnd(a, i);
            const std::size_t bEnd = DigitsEnd(b, j);
            if (const int order = CompareNumbers(a, i, aEnd, b, j, bEnd); order != 0)
                return order < 0;
            i = aEnd;
            j = bEnd;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}
