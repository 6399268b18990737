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

void CStrokeBase::Scatter(const StrokeSample* sample)
{
    if (scattered_.empty()) {
        scattered_.reserve(2 * runLength_ + 1);
        for (std::size_t i = 0; i < runLength_; ++i)
            scattered_.push_back(run_ + i);
    }
    scattered_.push_back(sample);
}

void CStrokeBase::SetRun(const StrokeSample* first, std::size_t count)
{
    if (!scattered_.empty())
        std::vector<const StrokeSample*>().swap(scattered_);
    run_ = first;
    runLength_ = count;
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
    SetRun(copies_.data(), copies_.size());
    Extend(copy);
}

void CInkStrokes::AddSample(const StrokeSample* sample)
{
    copies_.push_back(*sample);
    SetRun(copies_.data(), copies_.size());
    Extend(copies_.back());
}

void CInkStrokes::SetScale(int32_t scale)
{
    if (scale > 0)
        scale_ = scale;
}
