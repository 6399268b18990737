// marovi-sheet: prints the paper keyboard. softKB.skb is read with the
// keyboard's own reader and drawn at true size, so the sheet under the pen is
// the one the conversion recognises keys on.

#include "CommandLine.h"

#include "drawing/Paper.h"
#include "drawing/PrintedKeyboard.h"
#include "drawing/PrintedSheet.h"
#include "drawing/SheetCanvas.h"
#include "keyboard/KeyboardDef.h"
#include "platform/CurrentDirectory.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef MAROVI_VERSION
#define MAROVI_VERSION "unknown"
#endif

namespace {

constexpr int kWritten = 0;
constexpr int kCannotWrite = 1;
constexpr int kUsageOrKeyboardError = 2;

constexpr const char* kUsage = "usage: marovi-sheet [-k DIR] [--unit MM] [--paper SIZE] [--dpi N] [-o FILE]";

struct SheetOptions {
    std::string keyboardDir;
    double mmPerPenUnit = 0.01;
    std::optional<PaperSize> paper;  // none: the smallest that holds the sheet
    std::string outputFile = "softKB-sheet.pdf";
    CanvasFormat format = CanvasFormat::Pdf;
    int dpi = 300;
    bool help = false;
    bool version = false;
};

enum Option { KeyboardDir, Unit, Paper, Dpi, Output, Help, Version };

const std::vector<OptionName> kOptions = {
    {'k', "keyboard-dir", KeyboardDir, true}, {0, "unit", Unit, true}, {0, "paper", Paper, true},
    {0, "dpi", Dpi, true},  {'o', "output", Output, true}, {'h', "help", Help, false},
    {0, "version", Version, false},
};

// A number the whole text spells, else none.
std::optional<double> ParseNumber(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

SheetOptions ParseSheetCommandLine(const std::vector<std::string>& args)
{
    SheetOptions options;
    const auto onOption = [&](int id, const std::string& value) {
        switch (id) {
        case KeyboardDir:
            options.keyboardDir = value;
            break;
        case Unit: {
            const std::optional<double> unit = ParseNumber(value);
            if (!unit || *unit < 0.0001 || *unit > 10)
                throw UsageError("--unit takes millimetres per pen unit, from 0.0001 to 10: " + value);
            options.mmPerPenUnit = *unit;
            break;
        }
        case Paper:
            if (value == "auto") {
                options.paper.reset();
            } else {
                options.paper = FindPaper(value);
                if (!options.paper)
                    throw UsageError("unknown paper " + value + " (A4, A5, A4-landscape, A5-landscape or auto)");
            }
            break;
        case Dpi: {
            const std::optional<double> dpi = ParseNumber(value);
            if (!dpi || *dpi != std::floor(*dpi) || *dpi < 50 || *dpi > 1200)
                throw UsageError("--dpi takes a whole number from 50 to 1200: " + value);
            options.dpi = static_cast<int>(*dpi);
            break;
        }
        case Output: {
            const std::optional<CanvasFormat> format = CanvasFormatOf(value);
            if (!format)
                throw UsageError(value + ": the file name must end in .pdf, .svg or .png");
            options.outputFile = value;
            options.format = *format;
            break;
        }
        case Help:
            options.help = true;
            break;
        case Version:
            options.version = true;
            break;
        default:
            break;
        }
    };
    ParseArguments(args, kOptions, onOption,
                   [](const std::string& operand) { throw UsageError("unexpected argument " + operand); });
    return options;
}

std::string SheetHelpText()
{
    return std::string(kUsage) + "\n" + SjisToUtf8(
        "Draws the paper keyboard of softKB.skb at true size, ready to print: every key\n"
        "with its texts, the five calibration marks and a short legend. Print it at\n"
        "100 % (\"actual size\", no \"fit to page\") and lay it under the pen notepad.\n"
        "\n"
        "  -k, --keyboard-dir DIR  folder of softKB.skb (default: the current directory)\n"
        "      --unit MM           millimetres per pen unit (default: 0.01)\n"
        "      --paper SIZE        A4, A5, A4-landscape, A5-landscape, or auto (default):\n"
        "                          the smallest of these that holds every key and mark\n"
        "      --dpi N             resolution of a PNG, 50 to 1200 (default: 300)\n"
        "  -o, --output FILE       .pdf (vector, fonts embedded), .svg or .png\n"
        "                          (default: softKB-sheet.pdf in the current directory)\n"
        "  -h, --help              show this help and exit\n"
        "      --version           show the version and exit\n"
        "\n"
        "A key at pen position (x, y) is printed x times the unit from the paper's left\n"
        "edge and y times the unit from its top edge.\n"
        "\n"
        "Exit status: 0 when the sheet was written, 1 when the file could not be\n"
        "written, 2 for a usage error, a keyboard folder that cannot be entered, or a\n"
        "softKB.skb that cannot be read or has no keys.\n");
}

int UsageFailure(const std::string& problem)
{
    Print(stderr, "marovi-sheet: " + problem + "\n" + kUsage + "\nTry 'marovi-sheet --help' for more information.\n");
    return kUsageOrKeyboardError;
}

std::string Millimetres(double mm)
{
    std::ostringstream text;
    text << std::round(mm * 10) / 10;
    return text.str();
}

int DrawSheet(const SheetOptions& options)
{
    const std::string startDir = GetCurrentDir();
    if (startDir.empty())
        return UsageFailure("cannot determine the current directory");
    const std::string outputFile = AbsolutePath(options.outputFile, startDir);
    if (!EnterKeyboardDir(options.keyboardDir, startDir))
        return UsageFailure(PathForDisplay(options.keyboardDir) + ": cannot enter the keyboard folder");

    CStderrMessageBox messages("marovi-sheet: ");
    CKeyboardDef keyboard;
    keyboard.SetMessageBox(&messages);
    if (!keyboard.Load()) {
        Print(stderr,
              "marovi-sheet: cannot read " + PathForDisplay(AbsolutePath("softKB.skb", GetCurrentDir())) + "\n");
        return kUsageOrKeyboardError;
    }
    // A keyboard without keys (an empty, damaged or cut file) is no sheet to
    // print: whoever wrote on it would find none of their keys.
    if (keyboard.KeyCount() == 0) {
        Print(stderr, "marovi-sheet: no key could be read from " +
                          PathForDisplay(AbsolutePath("softKB.skb", GetCurrentDir())) + "; nothing is written\n");
        return kUsageOrKeyboardError;
    }

    const PrintedKeyboard printed = PrintedKeyboardOf(keyboard);
    const SheetExtent extent = KeyboardExtent(printed, options.mmPerPenUnit);
    const PaperSize paper = options.paper ? *options.paper : SmallestPaperHolding(extent);
    if (!PaperHolds(paper, extent)) {
        Print(stderr, "marovi-sheet: warning: the keyboard reaches from " + Millimetres(extent.left) + ", " +
                          Millimetres(extent.top) + " to " + Millimetres(extent.right) + ", " +
                          Millimetres(extent.bottom) + " mm; what lies off the " + paper.name + " paper (" +
                          Millimetres(paper.widthMm) + " x " + Millimetres(paper.heightMm) +
                          " mm) is not printed\n");
    }

    CanvasSpec spec;
    spec.format = options.format;
    spec.widthMm = paper.widthMm;
    spec.heightMm = paper.heightMm;
    spec.mmPerPenUnit = options.mmPerPenUnit;
    spec.pixelsPerMm = options.dpi / 25.4;
    std::string error;
    try {
        CSheetCanvas canvas(spec);
        DrawKeyboard(canvas, printed);
        if (!DrawNotes(canvas, printed))
            Print(stderr, "marovi-sheet: warning: no room on the paper for all of the legend\n");
        if (canvas.Save(outputFile, error)) {
            Print(stdout, PathForDisplay(outputFile) + ": " + std::to_string(keyboard.KeyCount()) + " keys on " +
                              paper.name + " (" + Millimetres(paper.widthMm) + " x " +
                              Millimetres(paper.heightMm) + " mm)\n");
            return kWritten;
        }
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    Print(stderr, "marovi-sheet: cannot write " + PathForDisplay(outputFile) + ": " + error + "\n");
    return kCannotWrite;
}

int Run(int argc, char** argv)
{
    try {
        const SheetOptions options = ParseSheetCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            Print(stdout, SheetHelpText());
            return 0;
        }
        if (options.version) {
            Print(stdout, std::string("marovi-sheet ") + MAROVI_VERSION + "\n");
            return 0;
        }
        return DrawSheet(options);
    } catch (const UsageError& error) {
        return UsageFailure(error.what());
    } catch (const std::exception& error) {
        Print(stderr, std::string("marovi-sheet: ") + error.what() + "\n");
        return kCannotWrite;
    }
}

}  // namespace

int main(int argc, char** argv) { return FinishStandardStreams("marovi-sheet", Run(argc, argv)); }
