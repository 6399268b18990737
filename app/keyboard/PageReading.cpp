#include "keyboard/PageReading.h"

#include "keyboard/Strokes.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace {

const char* KindName(PageReading::Kind kind)
{
    switch (kind) {
    case PageReading::Kind::Calibration:
        return "calibration";
    case PageReading::Kind::Key:
        return "key";
    case PageReading::Kind::Ink:
        break;
    }
    return "ink";
}

}  // namespace

const char* GestureName(Gesture gesture)
{
    switch (gesture) {
    case Gesture::Tap:
        return "tap";
    case Gesture::BottomToTop:
        return "up";
    case Gesture::TopToBottom:
        return "down";
    case Gesture::None:
        break;
    }
    return "-";
}

const char* ModeName(InputMode mode)
{
    switch (mode) {
    case InputMode::Katakana:
        return "kana";
    case InputMode::HalfWidth:
        return "han";
    case InputMode::Hiragana:
        break;
    }
    return "hira";
}

namespace {

// A key text as one field: tabs and line ends would break the line.
std::string FieldText(const std::string& sjis)
{
    if (sjis.empty())
        return "-";
    std::string text = SjisToUtf8(sjis);
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

std::string ObjectText(const PageReading& reading)
{
    switch (reading.kind) {
    case PageReading::Kind::Calibration: {
        char residual[32];
        std::snprintf(residual, sizeof residual, "%.2fmm", ResidualMm(reading));
        return "mark " + std::to_string(reading.mark) + " " + residual;
    }
    case PageReading::Kind::Key:
        return FieldText(reading.text);
    case PageReading::Kind::Ink:
        break;
    }
    if (reading.picture == 0)
        return "-";
    return "picture " + std::to_string(reading.picture) + (reading.reused ? " reused" : "");
}

}  // namespace

PenRect RecordExtent(const CStrokeBase& stroke)
{
    PenRect box{50000, 50000, -50000, -50000};
    for (std::size_t i = 0; i < stroke.SampleCount(); ++i) {
        const StrokeSample& sample = stroke.Sample(i);
        if (sample.kind == StrokeSample::PenUp)
            continue;
        box.left = std::min<int32_t>(box.left, sample.x);
        box.top = std::min<int32_t>(box.top, sample.y);
        box.right = std::max<int32_t>(box.right, sample.x);
        box.bottom = std::max<int32_t>(box.bottom, sample.y);
    }
    return box;
}

double ResidualMm(const PageReading& tap)
{
    const double dx = static_cast<double>(tap.at.x) - tap.reference.x;
    const double dy = static_cast<double>(tap.at.y) - tap.reference.y;
    // Pen units are integers, so the sum is exact and its root the correctly
    // rounded distance.
    return std::sqrt(dx * dx + dy * dy) * kMmPerPenUnit;
}

std::string ExplanationText(const PageReadings& readings)
{
    std::string text = "n\tkind\tkey\tgesture\tmode\ttext\tx\ty\n";
    int n = 1;
    for (const PageReading& reading : readings) {
        const bool key = reading.kind == PageReading::Kind::Key;
        text += std::to_string(n++);
        text += '\t';
        text += KindName(reading.kind);
        text += '\t';
        text += key && reading.key >= 0 ? std::to_string(reading.key) : "-";
        text += '\t';
        text += key ? GestureName(reading.gesture) : "-";
        text += '\t';
        text += key && reading.read ? ModeName(reading.mode) : "-";
        text += '\t';
        text += ObjectText(reading);
        text += '\t';
        text += std::to_string(reading.at.x);
        text += '\t';
        text += std::to_string(reading.at.y);
        text += '\n';
    }
    return text;
}
