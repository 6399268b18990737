#pragma once

#include "keyboard/StagedPage.h"
#include "keyboard/Strokes.h"
#include "platform/MessageBox.h"
#include "platform/Raster.h"
#include "platform/SafeFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CImageFile;

// One ink group: consecutive strokes written off the keyboard, which become
// one picture. Writing that wraps onto the next line of the sheet is moved
// beside the group: from the wrap on, its box and picture take the records
// shifted; the records themselves stay as the page has them.
class CInkStrokes final : public CStrokeBase {
public:
    CInkStrokes();
    ~CInkStrokes() override;

    const char* GetRuntimeClassName() const override { return "CInkStrokes"; }
    Kind GetKind() const override { return Kind::InkGroup; }

    void Add(const StrokeSample* first, std::size_t count) { Extend(first, count, shiftX_, shiftY_); }
    // Records added from now on are moved by (dx, dy), coordinates wrapping
    // at 16 bits. A group wraps once: a later call changes nothing.
    void Wrap(int32_t dx, int32_t dy);

    // Pen units per picture pixel; values below 1 are ignored.
    void SetScale(int32_t scale);
    int32_t Scale() const { return scale_; }

    // Draws the group, one pixel per Scale() pen units, and writes it as the
    // JPEG file "<name>.<index>.JPG". When the written flag is set the
    // picture exists already: true, and no file is touched. The written flag
    // is the caller's to set. The box's corner is drawn 5 pixels in from the
    // picture's; the 2-pixel pen reaches one pixel up and left of its points,
    // so 4 white pixels stay at the top and left and at least 5 at the right
    // and bottom.
    //
    // The file is published at once; one that cannot be written shows a
    // message on `messages`. False on failure.
    bool WritePicture(const std::string& name, int32_t index, IMessageBox& messages);
    // The same, the finished file added to `staged` unpublished and not yet
    // synced, for the caller to sync and publish with the page that shows
    // it; `drawn`, when given, is shown the picture before it is encoded. A
    // failure is the caller's to report: false, errno says why.
    bool StagePicture(const std::string& name, int32_t index, CStagedPage& staged,
                      const std::function<void(const CImageFile&)>& drawn = nullptr);
    // StagePicture, and beside the JPEG the same picture as the SVG file
    // "<name>.<index>.svg", staged as a picture too.
    bool StagePictureWithSvg(const std::string& name, int32_t index, CStagedPage& staged,
                             const std::function<void(const CImageFile&)>& drawn = nullptr);
    // The element that shows the picture last given to WritePicture, linked
    // relative to the folder that holds the picture directory.
    std::string GetImageTag() const;

    const std::string& PictureName() const { return pictureName_; }
    const std::string& PictureFile() const { return pictureFile_; }
    // The SVG file of the picture last staged, when one was; empty otherwise.
    const std::string& SvgFile() const { return svgFile_; }
    // Record `index` where the picture shows it: pen units of the keyboard's
    // frame, moved as the group's wrapped lines are (the frame of the
    // group's box, of the SVG's viewBox).
    PenPoint PicturePoint(std::size_t index) const;
    // The picture as an SVG document (UTF-8) titled as picture `number`: the
    // crop and the pixel size of the JPEG, but a viewBox in pen units (the
    // ink's box and the margin times Scale()) and every stroke one path of
    // the JPEG's pen width through all its points, so it stays exact at any
    // zoom.
    std::string SvgDocument(int32_t number) const;
    // The picture's size in pixels, margins included.
    int32_t PictureWidth() const;
    int32_t PictureHeight() const;
    // The picture's top-left corner in pen units (the SVG's viewBox
    // starts there), and its pen's width in pen units.
    int32_t PictureLeft() const;
    int32_t PictureTop() const;
    int32_t PenWidth() const;
    // Records from ShiftFrom() on are drawn moved by (ShiftX(), ShiftY()).
    std::size_t ShiftFrom() const { return shiftFrom_; }
    int32_t ShiftX() const { return shiftX_; }
    int32_t ShiftY() const { return shiftY_; }

private:
    // Names the picture, draws it and hands the drawing to `save`, whose
    // result it returns; false with errno ENOMEM when the drawing cannot be
    // made.
    bool DrawPicture(const std::string& name, int32_t index, const std::function<bool(CImageFile&)>& save);
    bool CreatePictureBitmap();
    void ReleasePictureBitmap();
    bool DrawSamples();

    // Samples from shiftFrom_ on are moved by (shiftX_, shiftY_).
    std::size_t shiftFrom_ = 0;
    int32_t shiftX_ = 0;
    int32_t shiftY_ = 0;
    bool wrapped_ = false;
    std::string pictureName_;
    std::string pictureFile_;
    std::string svgFile_;
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

// How a page names picture `number` to someone who cannot see it, Shift_JIS:
// "手書きの絵 n".
std::string PictureTitle(int32_t number);

// "./" + link for the picture file under the rule.
std::string PictureLink(const std::string& pictureFile, PictureLinkRule rule);
// "<img src=\"./" + link + "\">\n" for the picture file under the rule.
std::string MakeImageTag(const std::string& pictureFile, PictureLinkRule rule);
