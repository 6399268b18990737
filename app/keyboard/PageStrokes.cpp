#include "keyboard/PageStrokes.h"

#include "ink/QuadMapping.h"
#include "keyboard/InkStrokes.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

constexpr std::size_t kCalibrationTaps = 5;

// Writing that wraps onto the next line of the sheet: a stroke starting this
// far left of the group's right edge and less than a line below its bottom is
// moved up and to the right, so the picture continues beside the group.
constexpr int32_t kWrapMinLeftward = 6240;
constexpr int32_t kLineHeight = 702;
constexpr int32_t kWrapShiftX = 7176;
constexpr int32_t kWrapShiftY = -702;

}  // namespace

CPageStrokes::CPageStrokes(const StrokeSample* records, std::size_t count, std::unique_ptr<CKeyboardDef> keyboard,
                           CQuadMapping* mapping)
    : keyboard_(std::move(keyboard)), samples_(records, records + count), mapping_(mapping)
{
    const std::size_t start = FindCalibration();
    MapSamples();
    Segment(start);
    keyboard_->SetInputMode(static_cast<int>(InputMode::Hiragana));
}

CPageStrokes::~CPageStrokes() = default;

// Looks for five taps near the marks at the start of the page, on the raw pen
// coordinates. Returns the sample at which segmentation starts: after the
// fifth tap when they calibrate the keyboard, else 0.
std::size_t CPageStrokes::FindCalibration()
{
    CKbStrokes* current = nullptr;
    std::size_t currentStart = 0;
    std::size_t i = 0;
    bool nearMarks = true;
    for (; strokes_.size() < kCalibrationTaps && i < samples_.size(); ++i) {
        const StrokeSample& sample = samples_[i];
        switch (sample.kind) {
        case StrokeSample::PenDown:
            if (!keyboard_->IsNearMark(sample.x, sample.y)) {
                nearMarks = false;
                break;
            }
            if (current)
                strokes_.push_back(current);
            current = &keyStrokes_.emplace_back();
            currentStart = i;
            current->Add(&sample, 1);
            break;
        case StrokeSample::PenMove:
            if (current)
                current->Add(&sample, 1);
            break;
        case StrokeSample::PenUp:
            // A pen-up without a stroke is a stray record.
            if (current) {
                current->Add(&sample, 1);
                strokes_.push_back(current);
                current = nullptr;
            }
            break;
        default:
            break;
        }
        if (!nearMarks)
            break;
    }

    std::size_t resume = i;
    if (nearMarks && current) {
        // A stroke without a pen-up: when the five taps are complete it is the
        // start of what follows them, otherwise it may be the fifth tap.
        if (strokes_.size() < kCalibrationTaps)
            strokes_.push_back(current);
        else
            resume = currentStart;
    }

    if (nearMarks && strokes_.size() >= kCalibrationTaps &&
        keyboard_->Calibrate(*strokes_[0], *strokes_[1], *strokes_[2], *strokes_[3], *strokes_[4])) {
        strokes_.resize(kCalibrationTaps);
        // The taps were made first; a stroke begun after them is made anew by
        // the segmentation.
        while (keyStrokes_.size() > kCalibrationTaps)
            keyStrokes_.pop_back();
        for (CStrokeBase* tap : strokes_)
            tap->SetActive(false);
        calibrated_ = true;
        return resume;
    }
    strokes_.clear();
    keyStrokes_.clear();
    return 0;
}

void CPageStrokes::MapSamples()
{
    if (!mapping_)
        return;
    constexpr std::size_t kChunk = std::numeric_limits<uint32_t>::max();
    for (std::size_t done = 0; done < samples_.size();) {
        const std::size_t n = std::min(kChunk, samples_.size() - done);
        mapping_->MapRecords(samples_.data() + done, static_cast<uint32_t>(n));
        done += n;
    }
}

void CPageStrokes::Segment(std::size_t start)
{
    // At most one of them is open.
    CKbStrokes* key = nullptr;
    CInkStrokes* group = nullptr;
    const auto close = [&] {
        if (key)
            strokes_.push_back(key);
        else if (group)
            strokes_.push_back(group);
        key = nullptr;
        group = nullptr;
    };
    const std::size_t n = samples_.size();
    // Adds record i and the pen-moves that follow it to the open object as
    // one run, leaving i at the last of them.
    const auto addRunFrom = [&](std::size_t& i) {
        std::size_t end = i + 1;
        while (end < n && samples_[end].kind == StrokeSample::PenMove)
            ++end;
        if (key)
            key->Add(&samples_[i], end - i);
        else
            group->Add(&samples_[i], end - i);
        i = end - 1;
    };
    for (std::size_t i = start; i < n; ++i) {
        const StrokeSample& sample = samples_[i];
        switch (sample.kind) {
        case StrokeSample::PenDown:
            if (keyboard_->IsInKeyboard(sample.x, sample.y)) {
                close();
                key = &keyStrokes_.emplace_back();
            } else {
                // A key stroke left open by a missing pen-up ends here.
                if (key)
                    close();
                if (!group) {
                    group = &inkGroups_.emplace_back();
                    group->SetScale(keyboard_->PictureScale());
                } else if (group->MaxX() - sample.x > kWrapMinLeftward && group->MaxY() < sample.y &&
                           sample.y < group->MaxY() + kLineHeight) {
                    group->Wrap(kWrapShiftX, kWrapShiftY);
                }
            }
            addRunFrom(i);
            break;
        case StrokeSample::PenMove:
            if (key || group)
                addRunFrom(i);
            break;
        case StrokeSample::PenUp:
            // An ink group stays open until the pen goes down on the keyboard.
            if (key) {
                key->Add(&sample, 1);
                close();
            } else if (group) {
                group->Add(&sample, 1);
            }
            break;
        default:
            break;
        }
    }
    close();
}
