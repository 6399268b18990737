#include "notebook/NotebookState.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kHeader[] = "marovi-notebook 1\n";

std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::string& out)
{
    out.clear();
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\\') {
            out += text[k];
            continue;
        }
        if (++k == text.size())
            return false;
        switch (text[k]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return true;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool ParseUnsigned(const std::string& text, uint64_t& value, int base = 10)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, base);
    return *end == '\0';
}

bool ParseSigned(const std::string& text, int64_t& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0';
}

std::string Hex(uint64_t value)
{
    char text[17];
    static_cast<void>(std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value)));
    return text;
}

}  // namespace

std::string StateHead(const NotebookState& state)
{
    return std::string(kHeader) + "keyboard\t" + Hex(state.keyboard) + "\t" + (state.utf8 ? "utf8" : "sjis") + "\t" +
           FormatCarry(state.start) + "\n";
}

std::string StateLine(const NotebookPage& page)
{
    return Escaped(page.page) + "\t" + Escaped(page.ink) + "\t" + std::to_string(page.inkStamp.size) + "\t" +
           std::to_string(page.inkStamp.modified) + "\t" + Hex(page.inkHash) + "\t" + FormatCarry(page.carryIn) +
           "\t" + FormatCarry(page.carryOut) + "\t" + Escaped(page.thumbnail) + "\t" + Escaped(page.title) + "\t" +
           Escaped(page.text) +
           (!page.handwritingRead ? "" : page.handwriting.empty() ? "\t-" : "\t" + Escaped(page.handwriting)) + "\n";
}

std::string StateEnd(std::size_t pageCount) { return "end\t" + std::to_string(pageCount) + "\n"; }

void FormatState(const NotebookState& state, const ByteSink& sink)
{
    sink(StateHead(state));
    for (const NotebookPage& page : state.pages)
        sink(StateLine(page));
    sink(StateEnd(state.pages.size()));
}

namespace {

// The next line of `stream` without its end; false at the end of the stream
// or at a last line without one.
bool NextLine(std::FILE* stream, std::string& line)
{
    line.clear();
    // A piece at a time: a character at a time takes the stream's lock for
    // each byte of a file of megabytes.
    char piece[4096];
    while (std::fgets(piece, sizeof piece, stream) != nullptr) {
        const std::size_t size = std::strlen(piece);
        if (size > 0 && piece[size - 1] == '\n') {
            line.append(piece, size - 1);
            return true;
        }
        line.append(piece, size);
    }
    return false;
}

// The header and the settings line; false when they are not those of a
// state file.
bool ParseHead(std::FILE* stream, NotebookState& state)
{
    state = NotebookState();
    std::string line;
    if (!NextLine(stream, line) || line + "\n" != kHeader || !NextLine(stream, line))
        return false;
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() != 4 || fields[0] != "keyboard" || !ParseUnsigned(fields[1], state.keyboard, 16) ||
        (fields[2] != "utf8" && fields[2] != "sjis") || !ParseCarry(fields[3], state.start))
        return false;
    state.utf8 = fields[2] == "utf8";
    return true;
}

// What the line after the settings is: a page, the end line (its count in
// `endCount`), or neither.
enum class StateLineKind { Page, End, Bad };

StateLineKind ParseLine(const std::string& line, NotebookPage& page, uint64_t& endCount)
{
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() == 2 && fields[0] == "end")
        return ParseUnsigned(fields[1], endCount) ? StateLineKind::End : StateLineKind::Bad;
    page = NotebookPage();
    int64_t modified = 0;
    if ((fields.size() != 10 && fields.size() != 11) || !Unescape(fields[0], page.page) || page.page.empty() ||
        !Unescape(fields[1], page.ink) || !ParseUnsigned(fields[2], page.inkStamp.size) ||
        !ParseSigned(fields[3], modified) || !ParseUnsigned(fields[4], page.inkHash, 16) ||
        !ParseCarry(fields[5], page.carryIn) || !ParseCarry(fields[6], page.carryOut) ||
        !Unescape(fields[7], page.thumbnail) || !Unescape(fields[8], page.title) || !Unescape(fields[9], page.text) ||
        (fields.size() == 11 && (!Unescape(fields[10], page.handwriting) || page.handwriting.empty())))
        return StateLineKind::Bad;
    page.handwritingRead = fields.size() == 11;
    if (page.handwriting == "-")
        page.handwriting.clear();
    page.inkStamp.modified = modified;
    return StateLineKind::Page;
}

}  // namespace

bool ParseState(std::FILE* stream, NotebookState& state)
{
    if (!ParseHead(stream, state))
        return false;
    std::string line;
    while (NextLine(stream, line)) {
        NotebookPage page;
        uint64_t count = 0;
        switch (ParseLine(line, page, count)) {
        case StateLineKind::Page:
            state.pages.push_back(std::move(page));
            break;
        case StateLineKind::End:
            return count == state.pages.size() && std::fgetc(stream) == EOF && std::ferror(stream) == 0;
        case StateLineKind::Bad:
            return false;
        }
    }
    return false;
}

CStateReader::~CStateReader() { Close(); }

void CStateReader::Close()
{
    // A stream only read from loses nothing when its closing fails.
    if (stream_)
        static_cast<void>(std::fclose(stream_));
    stream_ = nullptr;
}

bool CStateReader::Open(std::FILE* stream)
{
    Close();
    stream_ = stream;
    // The whole file is checked before a page of it is taken: one cut short
    // or damaged is not read as a shorter notebook.
    bool whole = ParseHead(stream_, head_);
    std::string line;
    uint64_t pages = 0;
    NotebookPage page;
    while (whole) {
        if (!NextLine(stream_, line)) {
            whole = false;
            break;
        }
        uint64_t count = 0;
        const StateLineKind kind = ParseLine(line, page, count);
        if (kind == StateLineKind::Page) {
            ++pages;
            continue;
        }
        whole = kind == StateLineKind::End && count == pages && std::fgetc(stream_) == EOF && std::ferror(stream_) == 0;
        break;
    }
    if (!whole) {
        Close();
        head_ = NotebookState();
        return false;
    }
    NotebookState head;
    if (std::fseek(stream_, 0, SEEK_SET) != 0 || !ParseHead(stream_, head)) {
        Close();
        return false;
    }
    return true;
}

bool CStateReader::Next(NotebookPage& page)
{
    if (!stream_)
        return false;
    std::string line;
    uint64_t count = 0;
    // The file was whole when it was opened; a line that is no page now
    // ends it.
    if (!NextLine(stream_, line) || ParseLine(line, page, count) != StateLineKind::Page) {
        Close();
        return false;
    }
    return true;
}
