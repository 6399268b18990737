#pragma once

#include "ink/StrokeSample.h"
#include "keyboard/KeyboardTypes.h"
#include "keyboard/Object.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A pen coordinate moved by offset, wrapping at 16 bits as the records'
// coordinates do.
inline int16_t ShiftedCoordinate(int16_t value, int32_t offset)
{
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(offset)));
}

// Something written on a page: a run of the page's records (pen-up records
// included) with the bounding box of its points and the flags the HTML
// conversion works with. The records belong to the page, which outlives its
// strokes and never moves them.
class CStrokeBase : public CObject {
public:
    // The kind of a stroke object, for the page's passes over hundreds of
    // them: cheaper than a dynamic cast, and the same answer.
    enum class Kind { Other, KeyStroke, InkGroup };

    CStrokeBase() = default;
    ~CStrokeBase() override = default;
    CStrokeBase(const CStrokeBase&) = delete;
    CStrokeBase& operator=(const CStrokeBase&) = delete;

    virtual Kind GetKind() const { return Kind::Other; }

    Gesture GetGesture() const;
    // Centre of the bounding box, rounded toward zero.
    PenPoint Centre() const;
    // (0, 0) for an object without samples.
    PenPoint FirstPoint() const;
    // The last point before the closing pen-up (the last sample when the
    // stroke has no pen-up); (0, 0) for an object without samples.
    PenPoint LastPoint() const;
    uint16_t PenColor() const;

    std::size_t SampleCount() const { return count_; }
    const StrokeSample& Sample(std::size_t index) const { return first_[index]; }

    // Bounding box of the points; 50000, 50000, -50000, -50000 while empty.
    int32_t MinX() const { return minX_; }
    int32_t MinY() const { return minY_; }
    int32_t MaxX() const { return maxX_; }
    int32_t MaxY() const { return maxY_; }

    // Cleared when calibration consumes the stroke or a back space cancels it.
    bool IsActive() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    // The object's picture has been written.
    bool IsWritten() const { return written_; }
    void SetWritten(bool written) { written_ = written; }
    // The object stands for an earlier picture shown again; it is never
    // itself taken as an earlier picture.
    bool IsReused() const { return reused_; }
    void SetReused(bool reused) { reused_ = reused; }

protected:
    // The run grows to the end of the count records from first on, which
    // lie after it in the same block (records the page passed over between
    // them join the run). Their points, moved by (dx, dy) with coordinates
    // wrapping at 16 bits, widen the box (pen-ups aside); the object becomes
    // active.
    void Extend(const StrokeSample* first, std::size_t count, int32_t dx, int32_t dy);

private:
    const StrokeSample& LastPointSample() const;

    const StrokeSample* first_ = nullptr;
    std::size_t count_ = 0;
    int32_t minX_ = 50000;
    int32_t minY_ = 50000;
    int32_t maxX_ = -50000;
    int32_t maxY_ = -50000;
    bool active_ = true;
    bool written_ = false;
    bool reused_ = false;
};

// One stroke that began on the keyboard.
class CKbStrokes final : public CStrokeBase {
public:
    const char* GetRuntimeClassName() const override { return "CKbStrokes"; }
    Kind GetKind() const override { return Kind::KeyStroke; }

    void Add(const StrokeSample* first, std::size_t count) { Extend(first, count, 0, 0); }
};
