#include "CommandLine.h"

#include "platform/CurrentDirectory.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace {

enum Option {
    KeyboardDir, Output, OutputDir, Force, Verbose, Utf8, Explain, Help, Version, Recursive, Update, Index, Watch,
    Text, Inkml, Html5, Svg, Jobs, Pdf, Paper, Recognize, Model
};

const std::vector<OptionName> kOptions = {
    {'k', "keyboard-dir", KeyboardDir, true},
    {'o', "output", Output, true},
    {'d', "output-dir", OutputDir, true},
    {'f', "force", Force, false},
    {'v', "verbose", Verbose, false},
    {0, "utf8", Utf8, false},
    {0, "explain", Explain, false},
    {'h', "help", Help, false},
    {0, "version", Version, false},
    {'r', "recursive", Recursive, false},
    {0, "update", Update, false},
    {0, "index", Index, false},
    {0, "watch", Watch, false},
    {0, "text", Text, false},
    {0, "inkml", Inkml, false},
    {0, "html5", Html5, false},
    {0, "svg", Svg, false},
    {'j', "jobs", Jobs, true},
    {0, "pdf", Pdf, true},
    {0, "paper", Paper, true},
    {0, "recognize", Recognize, false},
    {0, "model", Model, true},
};

const OptionName* FindShort(const std::vector<OptionName>& names, char name)
{
    for (const OptionName& candidate : names) {
        if (candidate.shortName != 0 && candidate.shortName == name)
            return &candidate;
    }
    return nullptr;
}

const OptionName* FindLong(const std::vector<OptionName>& names, const std::string& name)
{
    for (const OptionName& candidate : names) {
        if (name == candidate.longName)
            return &candidate;
    }
    return nullptr;
}

void Apply(ConvertOptions& options, int option, const std::string& value)
{
    switch (option) {
    case KeyboardDir:
        options.keyboardDir = value;
        break;
    case Output:
        options.outputFile = value;
        break;
    case OutputDir:
        options.outputDir = value;
        break;
    case Force:
        options.force = true;
        break;
    case Verbose:
        options.verbose = true;
        break;
    case Utf8:
        options.utf8 = true;
        break;
    case Explain:
        options.explain = true;
        break;
    case Help:
        options.help = true;
        break;
    case Version:
        options.version = true;
        break;
    case Recursive:
        options.recursive = true;
        break;
    case Update:
        options.update = true;
        break;
    case Index:
        options.index = true;
        break;
    case Watch:
        options.watch = true;
        break;
    case Text:
        options.text = true;
        break;
    case Inkml:
        options.inkml = true;
        break;
    case Html5:
        options.html5 = true;
        break;
    case Svg:
        options.svg = true;
        break;
    case Pdf:
        options.pdfFile = value;
        break;
    case Paper:
        options.paper = value;
        break;
    case Recognize:
        options.recognize = true;
        break;
    case Model:
        options.model = value;
        break;
    case Jobs: {
        // A count, 1 to 256: more threads than that only wait for the disk.
        const bool digits = !value.empty() && value.size() <= 3 &&
                            value.find_first_not_of("0123456789") == std::string::npos;
        const int jobs = digits ? std::stoi(value) : 0;
        if (jobs < 1 || jobs > 256)
            throw UsageError("-j takes a number of pages to write at once, 1 to 256, not '" + value + "'");
        options.jobs = jobs;
        break;
    }
    default:
        break;
    }
}

void RequireValue(const std::string& value, const std::string& shownName)
{
    if (value.empty())
        throw UsageError("option " + shownName + " needs a value");
}

}  // namespace

void ParseArguments(const std::vector<std::string>& args, const std::vector<OptionName>& names,
                    const std::function<void(int id, const std::string& value)>& onOption,
                    const std::function<void(const std::string& operand)>& onOperand)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto nextValue = [&](const std::string& shownName) {
            if (i + 1 >= args.size())
                throw UsageError("option " + shownName + " needs a value");
            return args[++i];
        };

        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            onOperand(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionName* option = FindLong(names, name);
            if (option == nullptr)
                throw UsageError("unknown option --" + name);
            std::string value;
            if (option->takesValue) {
                value = equals == std::string::npos ? nextValue(arg) : arg.substr(equals + 1);
                RequireValue(value, "--" + name);
            } else if (equals != std::string::npos) {
                throw UsageError("option --" + name + " takes no value");
            }
            onOption(option->id, value);
        } else {
            // A cluster of short options; one that takes a value takes the
            // rest of the argument or, when that is empty, the next one.
            for (std::size_t k = 1; k < arg.size(); ++k) {
                const OptionName* option = FindShort(names, arg[k]);
                if (option == nullptr)
                    throw UsageError(std::string("unknown option -") + arg[k]);
                std::string value;
                if (option->takesValue) {
                    const std::string shownName = std::string("-") + arg[k];
                    value = k + 1 < arg.size() ? arg.substr(k + 1) : nextValue(shownName);
                    RequireValue(value, shownName);
                    k = arg.size();
                }
                onOption(option->id, value);
            }
        }
    }
}

ConvertOptions ParseCommandLine(const std::vector<std::string>& args)
{
    ConvertOptions options;
    ParseArguments(
        args, kOptions, [&](int id, const std::string& value) { Apply(options, id, value); },
        [&](const std::string& operand) { options.inkFiles.push_back(operand); });

    if (options.help || options.version)
        return options;
    if (options.outputFile && options.outputDir)
        throw UsageError("-o and -d exclude each other");
    if (options.inkFiles.empty())
        throw UsageError("no ink file given");
    if (options.outputFile && options.inkFiles.size() > 1)
        throw UsageError("-o takes one ink file only; use -d for several");
    if (options.outputFile && (options.update || options.index || options.watch))
        throw UsageError("--update, --index and --watch keep a folder of pages; use -d");
    if (options.watch && options.inkFiles.size() != 1)
        throw UsageError("--watch takes the one folder to watch");
    if (options.pdfFile && options.outputFile)
        throw UsageError("--pdf takes the pages of a folder; use -d");
    if (options.paper && !options.pdfFile)
        throw UsageError("--paper goes with --pdf");
    if (options.model && !options.recognize)
        throw UsageError("--model goes with --recognize");
    return options;
}

std::string HelpText()
{
    // Shift_JIS like every text of the program; shown as UTF-8.
    return SjisToUtf8(
        "usage: marovi-convert [-k DIR] [-o FILE | -d DIR] [-f] [-v] [-j N] [--utf8] [--explain]\n"
        "                      [-r] [--update] [--index] [--watch] [--text] [--inkml] [--html5]\n"
        "                      [--svg] [--pdf FILE [--paper SIZE]] [--recognize [--model FILE]]\n"
        "                      INKFILE|FOLDER...\n"
        "Converts ink files of the pen notepad into HTML pages as Marovi does: the\n"
        "files are listed in natural order (numbers in names by value, p2 before\n"
        "p10, then the rest of the path) and each page is recognised with the\n"
        "keyboard of softKB.skb, a calibration page carrying over to the pages after it.\n"
        "An INKFILE whose name ends in .inkml is read as InkML.\n"
        "\n"
        "  -k, --keyboard-dir DIR  folder of softKB.skb and keydef.skb (default: the\n"
        "                          current directory); the converter works there, so a\n"
        "                          calibration page rewrites DIR/softKB.skb\n"
        "  -o, --output FILE       write the page to FILE (one ink file only; its\n"
        "                          folder must exist)\n"
        "  -d, --output-dir DIR    write each page to DIR/<name>.html, <name> being the\n"
        "                          ink file's name without its extension (default: the\n"
        "                          current directory); DIR is made when missing\n"
        "  -f, --force             replace existing HTML files, removing the pictures\n"
        "                          of their earlier version; without it an existing\n"
        "                          file is left alone and its page counts as cancelled\n"
        "      --utf8              write the pages in UTF-8 (default: Shift_JIS)\n"
        "      --explain           beside each page, <name>.explain.txt and\n"
        "                          <name>.explain.png: how every stroke was read (its\n"
        "                          key, gesture, input mode and text, the pictures and\n"
        "                          the calibration taps), as a table and drawn over the\n"
        "                          sheet; -f applies to them as to the page\n"
        "  -r, --recursive         a FOLDER stands for the ink files (*.ink, any case)\n"
        "                          in it and in its subfolders, each page going to the\n"
        "                          same subfolder of the output folder; without -r only\n"
        "                          those directly in it\n"
        "      --update            convert only the ink files whose page is missing or\n"
        "                          whose ink changed (by content) since the page was\n"
        "                          written, or lacks a file asked for beside it (--text,\n"
        "                          --inkml, --html5, --svg), and the pages after a\n"
        "                          changed calibration;\n"
        "                          such pages are replaced, the others keep their bytes\n"
        "                          and get the status 最新 (up to date). A converted page\n"
        "                          is what a full run in the same order gives it. What a\n"
        "                          run wrote is kept in DIR/.marovi-notebook\n"
        "      --index             write DIR/index.html: every page Marovi wrote in DIR,\n"
        "                          in natural order, with its title, date, thumbnail\n"
        "                          (DIR/thumbnails/) and text, and a search field that\n"
        "                          takes hiragana and katakana, full and half width as\n"
        "                          equal\n"
        "      --watch             --update --index on the one FOLDER given, then again\n"
        "                          whenever an ink file there is added or changed and\n"
        "                          has been still for a second; SIGINT or SIGTERM ends it\n"
        "      --text              beside each page, <name>.txt: its text in UTF-8,\n"
        "                          lines as on the page\n"
        "      --inkml             beside each page, <name>.inkml: its ink as InkML\n"
        "                          with how every stroke was read\n"
        "      --html5             beside each page, <name>.html5.html: the page as\n"
        "                          UTF-8 HTML5 for phones and screen readers, showing\n"
        "                          the same pictures (their SVGs with --svg); -f\n"
        "                          applies to these three as to the page\n"
        "      --svg               every picture also as <name>.files/<name>.<n>.svg\n"
        "                          beside its JPEG: the same crop and size, the ink's\n"
        "                          own coordinates, sharp at any zoom; kept unless -f,\n"
        "                          like the page\n"
        "      --pdf FILE          the pages of the run as one PDF (with --update or\n"
        "                          --index, every page of the notebook's ink files, up\n"
        "                          to date or not), in natural order: a PDF page per\n"
        "                          page, its text as real text in the page's sizes and\n"
        "                          pen colours, its pictures as vector ink at true size\n"
        "                          (smaller only when wider than the text), a bookmark\n"
        "                          per page and the ink file's name as page label; the\n"
        "                          font is IPA P Gothic (fonts-ipafont-gothic), embedded.\n"
        "                          Written whole or not at all; a FILE that exists is\n"
        "                          kept unless -f (or --update), and left as it is when\n"
        "                          the document comes out the same\n"
        "      --paper SIZE        the paper of --pdf: A4 (default), A5, A4-landscape\n"
        "                          or A5-landscape\n"
        "      --recognize         read every picture for handwriting: one taken as\n"
        "                          writing puts its text on its line of --text, into\n"
        "                          the alternative text of --html5, an annotation of\n"
        "                          --inkml (with each character's candidates and\n"
        "                          scores), the index's text and search (--index) and\n"
        "                          boxes in --explain; the classic page is unchanged\n"
        "      --model FILE        the zinnia handwriting model for --recognize\n"
        "                          (default: the Japanese model of\n"
        "                          tegaki-zinnia-japanese)\n"
        "  -j, --jobs N            write N pages at once (default: one per core); the\n"
        "                          pages, the lines on stdout and the messages are\n"
        "                          the same for every N\n"
        "  -v, --verbose           show the calibration self-test lines on stderr\n"
        "  -h, --help              show this help and exit\n"
        "      --version           show the version and exit\n"
        "\n"
        "Paths are taken relative to the folder the command runs in, whatever -k says.\n"
        "Two ink files of one name that go to one page: the first is written, the\n"
        "second is not (cancelled), with or without -f. Every file is written whole\n"
        "under a temporary name and then put in place, a page after its pictures: a\n"
        "page that fails leaves no new file and an old page as it was.\n"
        "\n"
        "stdout: one line per ink file, in list order, as each one finishes: the ink\n"
        "file's full path, its status and the HTML file written, separated by tabs.\n"
        "The status is one of 変換済み (converted), 最新 (up to date, with --update),\n"
        "変換エラー (the page or one of its pictures could not be written), キャンセル\n"
        "(not written) and 不正ファイル (not\n"
        "read: missing, unreadable, not a regular file, not an ink file, or too large).\n"
        "Up to date pages count as converted.\n"
        "stderr: after \"marovi-convert: \", the ink file a message is about, the\n"
        "message Marovi would show in a box and, in brackets, the system's reason.\n"
        "On a terminal, a batch shows its progress there too.\n"
        "\n"
        "Exit status: 0 when every page was converted, 1 when any was not (or its\n"
        "explanation or a new calibration could not be saved, or stdout could not be\n"
        "written), 2 for a usage error, a keyboard or output folder that cannot be\n"
        "used, a softKB.skb that cannot be read or has no keys, --explain or --pdf\n"
        "on a build that cannot draw or without its drawing module, a --pdf FILE\n"
        "that cannot be written, or --recognize with a handwriting model that cannot\n"
        "be read or on a build without zinnia.\n"
        "\n"
        "Example: point the notepad's sync folder at ~/notes, run\n"
        "  marovi-convert --watch -k ~/keyboard -d ~/notes-html ~/notes\n"
        "and open ~/notes-html/index.html.\n");
}

bool IsAbsolutePath(const std::string& path)
{
    if (PathSeparator() == '/')
        return !path.empty() && path[0] == '/';
    const auto isSlash = [](char c) { return c == '/' || c == '\\'; };
    const bool driveRoot = path.size() >= 3 && path[1] == ':' && isSlash(path[2]);
    return driveRoot || (!path.empty() && isSlash(path[0]));
}

std::string AbsolutePath(const std::string& path, const std::string& base)
{
    if (IsAbsolutePath(path))
        return path;
    std::string relative = path;
    const std::string here = std::string(".") + PathSeparator();
    while (relative.compare(0, 2, "./") == 0 || relative.compare(0, 2, here) == 0)
        relative.erase(0, 2);
    if (relative.empty() || relative == ".")
        return base;
    const char last = base.empty() ? '\0' : base.back();
    const bool endsInSeparator = last == '/' || last == PathSeparator();
    return endsInSeparator ? base + relative : base + PathSeparator() + relative;
}

void Print(std::FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

void ReportStandardOutputFailure(const char* program, int error)
{
    std::string line = std::string(program) + ": cannot write to standard output";
    if (error != 0)
        line += ": " + SystemErrorText(error);
    Print(stderr, line + "\n");
    // Told once: the stream's error flag must not tell it again at the end.
    std::clearerr(stdout);
}

int FinishStandardStreams(const char* program, int status)
{
    constexpr int kSomethingNotWritten = 1;
    errno = 0;
    const bool outFlushed = std::fflush(stdout) == 0;
    const int outError = errno;
    if (!outFlushed || std::ferror(stdout) != 0) {
        ReportStandardOutputFailure(program, outError);
        status = std::max(status, kSomethingNotWritten);
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0)
        status = std::max(status, kSomethingNotWritten);
    return status;
}

bool EnterKeyboardDir(const std::string& keyboardDir, const std::string& startDir)
{
    return keyboardDir.empty() || SetCurrentDir(AbsolutePath(keyboardDir, startDir));
}
