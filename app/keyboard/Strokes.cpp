#include "keyboard/Strokes.h"

#include <algorithm>

namespace {

// Taps may wander this far (pen units) in each direction.
constexpr int32_t kTapExtent = 250;

PenPoint PointOf(const StrokeSample& sample)
{
    return {sample.x, sample.y};
}

}  // namespace

// The box is gathered in locals and stored once: kept in the object it would
// be stored and loaded again for every sample.
void CStrokeBase::Extend(const StrokeSample* first, std::size_t count, int32_t dx, int32_t dy)
{
    if (count == 0)
        return;
    if (count_ == 0)
        first_ = first;
    count_ = static_cast<std::size_t>(first + count - first_);
    int32_t minX = minX_;
    int32_t minY = minY_;
    int32_t maxX = maxX_;
    int32_t maxY = maxY_;
    for (std::size_t i = 0; i < count; ++i) {
        const StrokeSample& sample = first[i];
        if (sample.kind == StrokeSample::PenUp)
            continue;
        const int32_t x = ShiftedCoordinate(sample.x, dx);
        const int32_t y = ShiftedCoordinate(sample.y, dy);
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    minX_ = minX;
    minY_ = minY;
    maxX_ = maxX;
    maxY_ = maxY;
    active_ = true;
}

Gesture CStrokeBase::GetGesture() const
{
    if (SampleCount() == 0)
        return Gesture::None;
    if (maxX_ - minX_ <= kTapExtent && maxY_ - minY_ <= kTapExtent)
        return Gesture::Tap;
    const StrokeSample& first = Sample(0);
    const StrokeSample& last = LastPointSample();
    if (first.y > last.y && last.x > first.x)
        return Gesture::BottomToTop;
    if (first.y < last.y && last.x < first.x)
        return Gesture::TopToBottom;
    // Strokes toward the lower right, and straight ones, are taps too.
    return Gesture::Tap;
}

PenPoint CStrokeBase::Centre() const
{
    return {(minX_ + maxX_) / 2, (minY_ + maxY_) / 2};
}

PenPoint CStrokeBase::FirstPoint() const
{
    return SampleCount() == 0 ? PenPoint{} : PointOf(Sample(0));
}

PenPoint CStrokeBase::LastPoint() const
{
    return SampleCount() == 0 ? PenPoint{} : PointOf(LastPointSample());
}

uint16_t CStrokeBase::PenColor() const
{
    return SampleCount() == 0 ? uint16_t{0} : Sample(0).penColor;
}

const StrokeSample& CStrokeBase::LastPointSample() const
{
    const std::size_t n = SampleCount();
    if (n >= 2 && Sample(n - 1).kind == StrokeSample::PenUp)
        return Sample(n - 2);
    return Sample(n - 1);
}
