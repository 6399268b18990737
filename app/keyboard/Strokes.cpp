#include "keyboard/Strokes.h"

#include <algorithm>

namespace {

// Taps may wander this far (pen units) in each direction.
constexpr int32_t kTapExtent = 250;

PenPoint PointOf(const StrokeSample& sample)
{
    return {sample.x, sample.y};
}

int16_t Shifted(int16_t value, int32_t offset)
{
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(offset)));
}

}  // namespace

void CStrokeBase::AddSampleWithOffset(const StrokeSample* sample, int32_t, int32_t)
{
    AddSample(sample);
}

void CStrokeBase::AddSample(const StrokeSample* sample)
{
    samples_.push_back(sample);
    if (sample->kind != StrokeSample::PenUp) {
        minX_ = std::min<int32_t>(minX_, sample->x);
        minY_ = std::min<int32_t>(minY_, sample->y);
        maxX_ = std::max<int32_t>(maxX_, sample->x);
        maxY_ = std::max<int32_t>(maxY_, sample->y);
    }
    active_ = true;
}

Gesture CStrokeBase::GetGesture() const
{
    if (samples_.empty())
        return Gesture::None;
    if (maxX_ - minX_ <= kTapExtent && maxY_ - minY_ <= kTapExtent)
        return Gesture::Tap;
    const StrokeSample& first = *samples_.front();
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
    return samples_.empty() ? PenPoint{} : PointOf(*samples_.front());
}

PenPoint CStrokeBase::LastPoint() const
{
    return samples_.empty() ? PenPoint{} : PointOf(LastPointSample());
}

uint16_t CStrokeBase::PenColor() const
{
    return samples_.empty() ? uint16_t{0} : samples_.front()->penColor;
}

const StrokeSample& CStrokeBase::LastPointSample() const
{
    const std::size_t n = samples_.size();
    if (n >= 2 && samples_.back()->kind == StrokeSample::PenUp)
        return *samples_[n - 2];
    return *samples_.back();
}

CInkStrokes::CInkStrokes() = default;

CInkStrokes::~CInkStrokes()
{
    ReleasePictureBitmap();
}

void CInkStrokes::AddSampleWithOffset(const StrokeSample* sample, int32_t dx, int32_t dy)
{
    StrokeSample copy = *sample;
    copy.x = Shifted(copy.x, dx);
    copy.y = Shifted(copy.y, dy);
    copies_.push_back(copy);
    CStrokeBase::AddSample(&copies_.back());
}

void CInkStrokes::AddSample(const StrokeSample* sample)
{
    copies_.push_back(*sample);
    CStrokeBase::AddSample(&copies_.back());
}

void CInkStrokes::SetScale(int32_t scale)
{
    if (scale > 0)
        scale_ = scale;
}
