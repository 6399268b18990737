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
    CStrokeBase::AddRun(sample, 1, 0, 0);
}

void CStrokeBase::AddRun(const StrokeSample* first, std::size_t count, int32_t, int32_t)
{
    if (count == 0)
        return;
    if (scattered_.empty() && (runLength_ == 0 || first == run_ + runLength_)) {
        if (runLength_ == 0)
            run_ = first;
        runLength_ += count;
    } else {
        for (std::size_t i = 0; i < count; ++i)
            Scatter(first + i);
    }
    ExtendBy(first, count);
}

// The box is gathered in locals and stored once: kept in the object it would
// be stored and loaded again for every sample.
void CStrokeBase::ExtendBy(const StrokeSample* first, std::size_t count)
{
    int32_t minX = minX_;
    int32_t minY = minY_;
    int32_t maxX = maxX_;
    int32_t maxY = maxY_;
    for (std::size_t i = 0; i < count; ++i) {
        const StrokeSample& sample = first[i];
        if (sample.kind == StrokeSample::PenUp)
            continue;
        minX = std::min<int32_t>(minX, sample.x);
        minY = std::min<int32_t>(minY, sample.y);
        maxX = std::max<int32_t>(maxX, sample.x);
        maxY = std::max<int32_t>(maxY, sample.y);
    }
    minX_ = minX;
    minY_ = minY;
    maxX_ = maxX;
    maxY_ = maxY;
    if (count > 0)
        active_ = true;
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
    ExtendBy(&copies_.back(), 1);
}

void CInkStrokes::AddRun(const StrokeSample* first, std::size_t count, int32_t dx, int32_t dy)
{
    const std::size_t start = copies_.size();
    copies_.resize(start + count);
    StrokeSample* out = copies_.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = first[i];
        out[i].x = Shifted(first[i].x, dx);
        out[i].y = Shifted(first[i].y, dy);
    }
    SetRun(copies_.data(), copies_.size());
    ExtendBy(out, count);
}

void CInkStrokes::AddSample(const StrokeSample* sample)
{
    copies_.push_back(*sample);
    SetRun(copies_.data(), copies_.size());
    ExtendBy(&copies_.back(), 1);
}

void CInkStrokes::SetScale(int32_t scale)
{
    if (scale > 0)
        scale_ = scale;
}
