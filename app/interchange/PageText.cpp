#include "interchange/PageText.h"

#include "keyboard/Strokes.h"
#include "platform/TextEncoding.h"

#include <string_view>

namespace {

constexpr std::string_view kLineBreakKey = "<BR>";
constexpr std::string_view kReuseKey = "<REUSE>";

}  // namespace

bool IsLineBreak(const PageReading& reading)
{
    return reading.kind == PageReading::Kind::Key && reading.stroke->IsActive() && reading.text == kLineBreakKey;
}

bool ShowsText(const PageReading& reading)
{
    return reading.kind == PageReading::Kind::Key && reading.read && reading.stroke->IsActive() &&
           !reading.modeSwitch && !reading.text.empty() && reading.text != kLineBreakKey &&
           reading.text != kReuseKey;
}

std::string PageText(const PageReadings& readings, const PageHandwriting* handwriting)
{
    std::string sjis;
    for (const PageReading& reading : readings) {
        if (IsLineBreak(reading))
            sjis += '\n';
        else if (ShowsText(reading))
            sjis += reading.text;
        else if (reading.kind == PageReading::Kind::Ink && reading.picture > 0) {
            if (const PictureHandwriting* writing = WritingOf(handwriting, reading.picture))
                sjis += writing->text;
        }
    }
    if (!sjis.empty() && sjis.back() != '\n')
        sjis += '\n';
    return SjisToUtf8(sjis);
}
