#include "drawing/NotebookPdf.h"
#include "drawing/PdfModule.h"

extern "C" __attribute__((visibility("default"))) INotebookPdf* MaroviOpenNotebookPdf(const PdfSettings& settings,
                                                                                     std::string& error)
{
    // Nothing thrown here may reach the program, whose C++ runtime is its
    // own; the document's own calls catch what they can meet.
    try {
        return OpenNotebookPdf(settings, error).release();
    } catch (...) {
        error = "out of memory";
        return nullptr;
    }
}

// The program's type for the entry point, checked where it is defined.
[[maybe_unused]] constexpr OpenNotebookPdfFunction kEntryPointType = &MaroviOpenNotebookPdf;
