#pragma once

#include "drawing/PdfModule.h"
#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"

#include <memory>
#include <string>

class CPageStrokes;

// The document of a run (--pdf), written through the PDF module: pages are
// made on the threads that write them and added in run order.
class CRunPdf {
public:
    // Loads the module and opens the document's temporary file; null with the
    // reason, UTF-8, in `error`.
    static std::unique_ptr<CRunPdf> Open(const PdfSettings& settings, std::string& error);
    ~CRunPdf();
    CRunPdf(const CRunPdf&) = delete;
    CRunPdf& operator=(const CRunPdf&) = delete;

    // The page laid out from the readings of its conversion and what was
    // read of its handwriting (null: nothing), labelled with the name of its
    // ink file; no sheets, and the reason in `error`, when it cannot be made.
    // May run on several threads at once.
    PdfPageContent MakePage(const CPageStrokes& page, const PageReadings& readings,
                            const PageHandwriting* handwriting, const std::string& inkBaseName,
                            std::string& error) const;
    // Appends a page in its turn. After a failure to write, the document is
    // lost: later pages change nothing and Finish reports the failure.
    void AddPage(PdfPageContent&& page);
    // 0, or the errno of the first failure; see INotebookPdf.
    int Finish(bool& unchanged);

private:
    explicit CRunPdf(INotebookPdf* pdf) : pdf_(pdf) {}

    std::unique_ptr<INotebookPdf> pdf_;
    int error_ = 0;
};

// What the document is handed of a page: its flow of texts, line breaks
// and pictures in page order, from readings of a conversion or of
// CPageStrokes::ReadPage, with the handwriting read from its pictures.
PdfPageSource PdfPageSourceOf(const CPageStrokes& page, const PageReadings& readings,
                              const PageHandwriting* handwriting, const std::string& label);
