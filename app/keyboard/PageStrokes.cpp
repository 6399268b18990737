#include "keyboard/PageStrokes.h"

#include "ink/QuadMapping.h"
#include "keyboard/HtmlConversion.h"
#include "keyboard/InkStrokes.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageReading.h"
#include "keyboard/PenColors.h"
#include "keyboard/PictureIndex.h"
#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "platform/TextFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

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
    : keyboard_(std::move(keyboard)), samples_(records, records + count), penRecords_(samples_), mapping_(mapping)
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

namespace {

constexpr std::string_view kHead =
    "<html>\n"
    "<head>\n"
    "<meta http-equiv=\"Content-type\" content=\"text/html; charset=Shift_JIS\">\n"
    "<title>ソフトキーボードHTML変換結果</title>\n"
    "</head>\n"
    "<body bgColor=\"#ffffff\">\n\n";

constexpr std::string_view kShiftJisCharset = "charset=Shift_JIS";
constexpr std::string_view kUtf8Charset = "charset=UTF-8";

constexpr std::string_view kTail =
    "\n\n"
    "</body>\n"
    "</html>\n";

// Below this size the page carries no font markup at all.
constexpr int kSmallestMarkedFontSize = 5;

// Key texts that are commands rather than text, compared as views: no length
// count of a literal for every stroke.
constexpr std::string_view kBackSpaceKey = "<BS>";
constexpr std::string_view kLineBreakKey = "<BR>";
constexpr std::string_view kReuseKey = "<REUSE>";

std::string Utf8Head()
{
    std::string head = SjisToUtf8(kHead);
    head.replace(head.find(kShiftJisCharset), kShiftJisCharset.size(), kUtf8Charset);
    return head;
}

// Every key text gets an opening tag of its own; none is ever closed.
std::string FontTag(int fontSize, uint16_t penColor)
{
    if (fontSize < kSmallestMarkedFontSize)
        return {};
    static constexpr std::string_view kOpen = "<font style=\"font-size:";
    static constexpr std::string_view kColor = "pt\" color=\"";
    static constexpr std::string_view kClose = "\">";
    const std::string size = std::to_string(fontSize);
    const std::string_view color = PenColorOf(penColor).html;
    std::string tag;
    tag.reserve(kOpen.size() + size.size() + kColor.size() + color.size() + kClose.size());
    tag.append(kOpen).append(size).append(kColor).append(color).append(kClose);
    return tag;
}

// The three tags a page can need, made once per page rather than per key
// stroke.
class FontTags {
public:
    explicit FontTags(int fontSize)
        : black_(FontTag(fontSize, 1)), blue_(FontTag(fontSize, 2)), red_(FontTag(fontSize, 3))
    {
    }
    const std::string& For(uint16_t penColor) const { return penColor == 2 ? blue_ : penColor == 3 ? red_ : black_; }

private:
    std::string black_;
    std::string blue_;
    std::string red_;
};

// Points the page's reading sink at the caller's readings for one
// conversion, however it ends.
class CReadingSink {
public:
    CReadingSink(PageReadings*& sink, PageReadings* readings) : sink_(sink) { sink_ = readings; }
    ~CReadingSink() { sink_ = nullptr; }
    CReadingSink(const CReadingSink&) = delete;
    CReadingSink& operator=(const CReadingSink&) = delete;

private:
    PageReadings*& sink_;
};

}  // namespace


bool CPageStrokes::ConvertToHtml(const std::string& htmlPath, const std::string& inkBaseName, PageEncoding encoding,
                                 PageReadings* readings, FilePublish publish)
{
    std::unique_ptr<CStagedPage> staged = StageHtml(htmlPath, inkBaseName, encoding, readings, publish);
    return staged && staged->Publish(keyboard_->Messages());
}

std::unique_ptr<CStagedPage> CPageStrokes::StageHtml(const std::string& htmlPath, const std::string& inkBaseName,
                                                     PageEncoding encoding, PageReadings* readings,
                                                     FilePublish publish, const PageStaging& staging)
{
    const CReadingSink sink(readings_, readings);
    for (const auto& stroke : strokes_) {
        if (stroke->IsActive())
            stroke->SetWritten(false);
    }
    picturesWritten_ = 0;

    try {
        auto staged = std::make_unique<CStagedPage>(htmlPath, publish);
        CTextFileWriter html;
        html.KeepCopy(staging.html);
        errno = 0;
        if (!html.Open(htmlPath)) {
            const int error = errno;
            keyboard_->Messages().Show({"出力するHTMLファイルのOPENに失敗しました", MessageIcon::Exclamation, error});
            return nullptr;
        }
        const std::string pictureFolder = PictureDirectoryFor(htmlPath);
        if (const int error = staged->MakePictureFolder(pictureFolder); error != 0) {
            keyboard_->Messages().Show({"画像ファイル用ディレクトリの作成でエラーが発生しました", MessageIcon::Exclamation, error});
            return nullptr;
        }
        const std::string picturePrefix = pictureFolder + "/" + inkBaseName;

        StartReadings();
        ApplyBackSpaces();
        if (encoding == PageEncoding::Utf8)
            html.Write(Utf8Head());
        else
            html.Write(kHead);
        // The pictures are written beside their names and published only once
        // the whole page is ready; until then whatever had those names stays.
        if (!WriteBody(&html, picturePrefix, encoding, staged.get(), staging))
            return nullptr;
        html.Write(kTail);
        html.Close(FileSync::Later);
        staged->SetPage(std::move(html.File()));
        return staged;
    } catch (const CFileWriteError& error) {
        keyboard_->Messages().Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, error.Error()});
    } catch (const std::bad_alloc&) {
        keyboard_->Messages().Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, ENOMEM});
    }
    return nullptr;
}

InputMode CPageStrokes::ModeWhenWritten()
{
    // The key strokes a back space would cancel, found as ApplyBackSpaces
    // finds them but without changing a flag.
    std::vector<bool> cancelled(strokes_.size(), false);
    std::vector<std::size_t> active;
    keyboard_->SetInputMode(static_cast<int>(InputMode::Hiragana));
    for (std::size_t i = 0; i < strokes_.size(); ++i) {
        const CStrokeBase& stroke = *strokes_[i];
        if (!stroke.IsActive() || stroke.GetKind() != CStrokeBase::Kind::KeyStroke)
            continue;
        if (keyboard_->LookupKeyText(stroke) != kBackSpaceKey) {
            active.push_back(i);
            continue;
        }
        if (!active.empty()) {
            cancelled[active.back()] = true;
            active.pop_back();
        }
        cancelled[i] = true;
    }
    // The mode keys of what stays, as WriteBody meets them.
    keyboard_->SetInputMode(static_cast<int>(InputMode::Hiragana));
    for (std::size_t i = 0; i < strokes_.size(); ++i) {
        const CStrokeBase& stroke = *strokes_[i];
        if (stroke.IsActive() && !cancelled[i] && stroke.GetKind() == CStrokeBase::Kind::KeyStroke)
            static_cast<void>(keyboard_->LookupKeyText(stroke));
    }
    const InputMode mode = keyboard_->GetInputMode();
    keyboard_->SetInputMode(static_cast<int>(InputMode::Hiragana));
    return mode;
}

// A back space cancels itself and the nearest active key stroke before it,
// whatever that stroke's text; ink groups are never cancelled. The texts are
// looked up in page order so that mode keys switch the mode as they would
// when the page is written.
void CPageStrokes::ApplyBackSpaces()
{
    keyboard_->SetInputMode(static_cast<int>(InputMode::Hiragana));
    // The active key strokes passed so far, the nearest last: nothing but a
    // back space makes a key stroke inactive here, and it takes the last.
    std::vector<CStrokeBase*> active;
    for (std::size_t i = 0; i < strokes_.size(); ++i) {
        CStrokeBase& stroke = *strokes_[i];
        if (!stroke.IsActive() || stroke.GetKind() != CStrokeBase::Kind::KeyStroke)
            continue;
        const InputMode mode = keyboard_->GetInputMode();
        const std::string text = keyboard_->LookupKeyText(stroke);
        ReportKey(i, mode, text);
        if (text != kBackSpaceKey) {
            active.push_back(&stroke);
            continue;
        }
        if (!active.empty()) {
            active.back()->SetActive(false);
            active.pop_back();
        }
        stroke.SetActive(false);
    }
}

void CPageStrokes::ReadPage(PageReadings& readings)
{
    const CReadingSink sink(readings_, &readings);
    for (const auto& stroke : strokes_) {
        if (stroke->IsActive())
            stroke->SetWritten(false);
    }
    StartReadings();
    ApplyBackSpaces();
    static_cast<void>(WriteBody(nullptr, std::string(), PageEncoding::ShiftJis, nullptr, PageStaging{}));
}

bool CPageStrokes::WriteBody(CTextFileWriter* html, const std::string& picturePrefix, PageEncoding encoding,
                             CStagedPage* staged, const PageStaging& staging)
{
    const std::function<void(const CImageFile&)>& firstPicture = staging.firstPicture;
    keyboard_->SetInputMode(static_cast<int>(InputMode::Hiragana));
    const FontTags fontTags(keyboard_->FontSize());
    // "<REUSE>" applies to the ink group right after it, and only when no key
    // stroke comes between.
    bool reusePending = false;
    // The pictures passed so far that a later group may show again.
    CPictureIndex earlierPictures;
    int32_t pictureNumber = 1;
    for (std::size_t i = 0; i < strokes_.size(); ++i) {
        CStrokeBase& stroke = *strokes_[i];
        if (!stroke.IsActive())
            continue;

        if (stroke.GetKind() == CStrokeBase::Kind::KeyStroke) {
            reusePending = false;
            const InputMode mode = keyboard_->GetInputMode();
            const std::string text = keyboard_->LookupKeyText(stroke);
            ReportKey(i, mode, text);
            if (text == kReuseKey) {
                reusePending = true;
            } else if (!html) {
            } else if (text == kLineBreakKey) {
                html->Write("<BR>\n");
            } else {
                html->Write(fontTags.For(stroke.PenColor()));
                if (encoding == PageEncoding::Utf8)
                    html->Write(SjisToUtf8(text));
                else
                    html->Write(text);
            }
            continue;
        }

        if (stroke.GetKind() != CStrokeBase::Kind::InkGroup)
            continue;
        auto* ink = static_cast<CInkStrokes*>(&stroke);
        CInkStrokes* shown = ink;
        if (reusePending) {
            reusePending = false;
            ink->SetReused(true);
            // Ink that points at no earlier picture is dropped from the page.
            shown = FindEarlierPicture(earlierPictures, i);
            if (!shown)
                continue;
        } else if (!ink->IsReused()) {
            earlierPictures.Add(i, PenRect{ink->MinX(), ink->MinY(), ink->MaxX(), ink->MaxY()});
        }
        if (!shown->IsWritten() && !staged) {
            ++pictureNumber;
            shown->SetWritten(true);
        } else if (!shown->IsWritten()) {
            const bool first = pictureNumber == 1 && firstPicture;
            const std::function<void(const CImageFile&)> drawn = first ? firstPicture : nullptr;
            const bool written = staging.svg ? shown->StagePictureWithSvg(picturePrefix, pictureNumber, *staged, drawn)
                                             : shown->StagePicture(picturePrefix, pictureNumber, *staged, drawn);
            if (!written) {
                keyboard_->Messages().Show({kPictureWriteFailedMessage, MessageIcon::Exclamation, errno});
                return false;
            }
            ++pictureNumber;
            ++picturesWritten_;
            shown->SetWritten(true);
        }
        if (html)
            html->Write(shown->GetImageTag());
        ReportPicture(i, *shown);
    }
    return true;
}

// The nearest earlier picture whose bounding box holds the centre of ink group
// `index`, the page's first object included, among `pictures`: the active
// groups before it that did not stand for an earlier picture themselves.
// Every candidate has been written by the time it is found: the output pass
// shows pictures in page order.
CInkStrokes* CPageStrokes::FindEarlierPicture(const CPictureIndex& pictures, std::size_t index) const
{
    const std::size_t found = pictures.LastHolding(strokes_[index]->Centre());
    return found == CPictureIndex::kNone ? nullptr : static_cast<CInkStrokes*>(strokes_[found]);
}

namespace {

// A calibration tap's own box was taken before the page was mapped, its
// records are mapped.
PenPoint MappedCentre(const CStrokeBase& stroke)
{
    const PenRect box = RecordExtent(stroke);
    if (box.right < box.left)
        return {};
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

}  // namespace

void CPageStrokes::StartReadings()
{
    if (!readings_)
        return;
    readings_->assign(strokes_.size(), PageReading{});
    reportedPictures_.clear();
    ownPicturesReported_ = 0;
    const CKeyboardDef::Marks& marks = keyboard_->ReferenceMarks();
    for (std::size_t i = 0; i < strokes_.size(); ++i) {
        PageReading& reading = (*readings_)[i];
        const CStrokeBase& stroke = *strokes_[i];
        reading.stroke = &stroke;
        if (calibrated_ && i < marks.size()) {
            reading.kind = PageReading::Kind::Calibration;
            reading.mark = static_cast<int32_t>(i) + 1;
            reading.reference = marks[i];
            reading.at = MappedCentre(stroke);
        } else if (stroke.GetKind() == CStrokeBase::Kind::InkGroup) {
            reading.kind = PageReading::Kind::Ink;
            reading.at = {stroke.MinX(), stroke.MinY()};
        } else {
            reading.at = keyboard_->HitPoint(stroke);
            reading.gesture = stroke.GetGesture();
            reading.key = keyboard_->KeyIndexAt(reading.at);
        }
    }
}

void CPageStrokes::ReportKey(std::size_t index, InputMode mode, std::string_view produced)
{
    if (!readings_)
        return;
    PageReading& reading = (*readings_)[index];
    reading.read = true;
    reading.mode = mode;
    reading.text.assign(produced);
    reading.modeSwitch = false;
    // A mode key produces nothing and switches the mode: it shows its tag.
    if (reading.text.empty() && reading.key >= 0 && reading.gesture != Gesture::None) {
        reading.text = keyboard_->GetKey(reading.key).texts[static_cast<std::size_t>(SlotIndex(mode, reading.gesture))];
        reading.modeSwitch = !reading.text.empty();
    }
}

// Pictures are numbered in the order they are first shown; a reuse shows the
// number of the picture it found. The writer reports ink groups in page
// order, each once, so what was reported before is what lies before.
void CPageStrokes::ReportPicture(std::size_t index, const CInkStrokes& shown)
{
    if (!readings_)
        return;
    PageReading& reading = (*readings_)[index];
    reading.reused = strokes_[index]->IsReused();
    const auto found = reportedPictures_.find(&shown);
    reading.picture = found != reportedPictures_.end() ? found->second : ownPicturesReported_ + 1;
    if (reading.kind != PageReading::Kind::Ink)
        return;
    reportedPictures_.emplace(strokes_[index], reading.picture);
    if (!reading.reused)
        ++ownPicturesReported_;
}
