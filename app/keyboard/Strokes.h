#pragma once

#include "ink/StrokeSample.h"
#include "keyboard/KeyboardTypes.h"
#include "keyboard/Object.h"
#include "platform/Raster.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Something written on a page: a list of pen samples (pen-up samples
// included) with the bounding box of its points and the flags the HTML
// conversion works with. The base class refers to samples owned by someone
// else (the page's copy of its records).
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

    // The base ignores the offset; ink groups store shifted copies.
    virtual void AddSampleWithOffset(const StrokeSample* sample, int32_t dx, int32_t dy);
    // AddSampleWithOffset for each of the count records from first on, which
    // lie one after another.
    virtual void AddRun(const StrokeSample* first, std::size_t count, int32_t dx, int32_t dy);
    // Appends the sample; every sample but a pen-up widens the bounding box.
    // Either way the object becomes active.
    virtual void AddSample(const StrokeSample* sample);

    Gesture GetGesture() const;
    // Centre of the bounding box, rounded toward zero.
    PenPoint Centre() const;
    // (0, 0) for an object without samples.
    PenPoint FirstPoint() const;
    // The last point before the closing pen-up (the last sample when the
    // stroke has no pen-up); (0, 0) for an object without samples.
    PenPoint LastPoint() const;
    uint16_t PenColor() const;

    std::size_t SampleCount() const { return scattered_.empty() ? runLength_ : scattered_.size(); }
    const StrokeSample& Sample(std::size_t index) const
    {
        return scattered_.empty() ? run_[index] : *scattered_[index];
    }

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
    // Widens the bounding box by count consecutive samples (pen-ups aside)
    // and makes the object active; the samples are the caller's to store.
    void ExtendBy(const StrokeSample* first, std::size_t count);
    // Shows the samples as one run of count records from first on, replacing
    // whatever the object listed before. For a class that keeps its own
    // samples in one block.
    void SetRun(const StrokeSample* first, std::size_t count);

private:
    const StrokeSample& LastPointSample() const;
    // Appends a sample that does not continue the run.
    void Scatter(const StrokeSample* sample);

    // The samples in the order added. A key stroke's records lie one after
    // another in the page's copy, so a stroke is normally the run of runLength_
    // records from run_ on, which costs no memory of its own; a sample that
    // does not follow the run moves the list into scattered_ (non-empty from
    // then on).
    const StrokeSample* run_ = nullptr;
    std::size_t runLength_ = 0;
    std::vector<const StrokeSample*> scattered_;
    int32_t minX_ = 50000;
    int32_t minY_ = 50000;
    int32_t maxX_ = -50000;
    int32_t maxY_ = -50000;
    bool active_ = true;
    bool written_ = false;
    bool reused_ = false;
};

// One stroke that began on the keyboard. Its samples point into the page's
// records, which outlive it.
class CKbStrokes final : public CStrokeBase {
public:
    const char* GetRuntimeClassName() const override { return "CKbStrokes"; }
    Kind GetKind() const override { return Kind::KeyStroke; }
};

// One ink group: consecutive strokes written off the keyboard, which become
// one picture. It owns copies of its samples, possibly shifted.
class CInkStrokes final : public CStrokeBase {
public:
    CInkStrokes();
    ~CInkStrokes() override;

    const char* GetRuntimeClassName() const override { return "CInkStrokes"; }
    Kind GetKind() const override { return Kind::InkGroup; }

    // Stores a copy moved by (dx, dy); coordinates wrap at 16 bits.
    void AddSampleWithOffset(const StrokeSample* sample, int32_t dx, int32_t dy) override;
    void AddRun(const StrokeSample* first, std::size_t count, int32_t dx, int32_t dy) override;
    // Stores an unchanged copy.
    void AddSample(const StrokeSample* sample) override;

    // Pen units per picture pixel; values below 1 are ignored.
    void SetScale(int32_t scale);
    int32_t Scale() const { return scale_; }

    // The picture side lives in ink/InkStrokesPicture.cpp.

    // Draws the group, one pixel per Scale() pen units inside a white margin
    // of 5 pixels, and writes it as the JPEG file "<name>.<index>.JPG". When
    // the written flag is set the picture exists already: true, and no file is
    // touched. A file that cannot be written shows a message; false either
    // way on failure. The written flag is the caller's to set.
    bool WritePicture(const std::string& name, int32_t index);
    // The element that shows the picture last given to WritePicture, linked
    // relative to the folder that holds the picture directory.
    std::string GetImageTag() const;

    const std::string& PictureName() const { return pictureName_; }
    const std::string& PictureFile() const { return pictureFile_; }

private:
    bool CreatePictureBitmap();
    void ReleasePictureBitmap();
    bool DrawSamples();

    // One block, shown to the base as its run after every append.
    std::vector<StrokeSample> copies_;
    std::string pictureName_;
    std::string pictureFile_;
    // The drawing objects exist only inside WritePicture. previousBitmap_ is
    // the context's own bitmap, selected back before the context goes.
    std::unique_ptr<CRasterDc> memoryDc_;
    std::unique_ptr<CRasterBitmap> pictureBitmap_;
    CRasterObject* previousBitmap_ = nullptr;
    int32_t scale_ = 10;
};

// How an image element names its picture file. The page and the picture
// directory lie in the same folder, so the link is the directory's name and
// the file's name below it.
//   Windows: the text after the last backslash of the picture file (found
//   with Shift_JIS awareness: a trail byte 0x5C is no separator), or the
//   whole name when it has none.
//   Posix: the text after the second-to-last "/" (the whole name when it has
//   fewer), percent-encoded apart from ASCII letters, digits and "-._~/":
//   file names are UTF-8 there while the page is Shift_JIS.
enum class PictureLinkRule { Windows, Posix };

#ifdef _WIN32
inline constexpr PictureLinkRule kNativePictureLinkRule = PictureLinkRule::Windows;
#else
inline constexpr PictureLinkRule kNativePictureLinkRule = PictureLinkRule::Posix;
#endif

// "<img src=\"./" + link + "\">\n" for the picture file under the rule.
std::string MakeImageTag(const std::string& pictureFile, PictureLinkRule rule);
