#include "RunPdf.h"

#include "ModuleLoader.h"

#include "interchange/PageText.h"
#include "keyboard/InkStrokes.h"
#include "keyboard/PageStrokes.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <map>

CRunPdf::~CRunPdf() = default;

std::unique_ptr<CRunPdf> CRunPdf::Open(const PdfSettings& settings, std::string& error)
{
    void* entry = LoadModuleEntry(kPdfModule, kPdfEntryPoint, error);
    if (!entry)
        return nullptr;
    INotebookPdf* pdf = reinterpret_cast<OpenNotebookPdfFunction>(entry)(settings, error);
    if (!pdf)
        return nullptr;
    return std::unique_ptr<CRunPdf>(new CRunPdf(pdf));
}

PdfPageContent CRunPdf::MakePage(const CPageStrokes& page, const PageReadings& readings,
                                 const PageHandwriting* handwriting, const std::string& inkBaseName,
                                 std::string& error) const
{
    return pdf_->MakePage(PdfPageSourceOf(page, readings, handwriting, inkBaseName), error);
}

void CRunPdf::AddPage(PdfPageContent&& page)
{
    if (error_ == 0)
        error_ = pdf_->AddPage(std::move(page));
}

int CRunPdf::Finish(bool& unchanged)
{
    unchanged = false;
    return error_ != 0 ? error_ : pdf_->Finish(unchanged);
}

PdfPageSource PdfPageSourceOf(const CPageStrokes& page, const PageReadings& readings,
                              const PageHandwriting* handwriting, const std::string& label)
{
    PdfPageSource source;
    source.label = label;
    // The classic page sets its text in the keyboard's size, in points.
    source.fontPoints = page.Keyboard().FontSize();
    const std::string text = PageText(readings);
    const std::string firstLine = text.substr(0, text.find('\n'));
    source.title = firstLine.empty() ? label : firstLine;

    // A picture shown again is the one of the group first shown under its
    // number.
    std::map<int32_t, std::size_t> pictures;
    for (const PageReading& reading : readings) {
        if (reading.kind != PageReading::Kind::Ink || reading.picture <= 0 || reading.reused)
            continue;
        const auto& ink = static_cast<const CInkStrokes&>(*reading.stroke);
        PdfPicture picture;
        picture.left = ink.PictureLeft();
        picture.top = ink.PictureTop();
        picture.width = ink.PictureWidth() * ink.Scale();
        picture.height = ink.PictureHeight() * ink.Scale();
        picture.penWidth = ink.PenWidth();
        picture.samples = ink.SampleCount() > 0 ? &ink.Sample(0) : nullptr;
        picture.sampleCount = ink.SampleCount();
        picture.shiftFrom = ink.ShiftFrom();
        picture.shiftX = ink.ShiftX();
        picture.shiftY = ink.ShiftY();
        // The writing as one run over the box of its cells: a word found
        // by a search is one word, without the gaps between its cells.
        if (const PictureHandwriting* writing = WritingOf(handwriting, reading.picture);
            writing && !writing->cells.empty()) {
            PdfHiddenText hidden{SjisToUtf8(writing->text), writing->cells.front().left, writing->cells.front().top,
                                 writing->cells.front().right, writing->cells.front().bottom};
            for (const HandwritingCell& cell : writing->cells) {
                hidden.left = std::min(hidden.left, cell.left);
                hidden.top = std::min(hidden.top, cell.top);
                hidden.right = std::max(hidden.right, cell.right);
                hidden.bottom = std::max(hidden.bottom, cell.bottom);
            }
            picture.hidden.push_back(std::move(hidden));
        }
        if (pictures.emplace(reading.picture, source.pictures.size()).second)
            source.pictures.push_back(std::move(picture));
    }
    for (const PageReading& reading : readings) {
        PdfPiece piece;
        if (IsLineBreak(reading)) {
            piece.kind = PdfPiece::Kind::LineBreak;
        } else if (ShowsText(reading)) {
            piece.text = SjisToUtf8(reading.text);
            piece.penColor = reading.stroke->PenColor();
        } else if (reading.kind == PageReading::Kind::Ink && reading.picture > 0) {
            const auto found = pictures.find(reading.picture);
            if (found == pictures.end())
                continue;
            piece.kind = PdfPiece::Kind::Picture;
            piece.picture = found->second;
        } else {
            continue;
        }
        source.pieces.push_back(std::move(piece));
    }
    return source;
}
