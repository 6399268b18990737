#include "notebook/PageSummary.h"

#include "platform/TextEncoding.h"

#include <cctype>
#include <cstddef>
#include <cstdlib>

namespace {

// The tag's name, lower case, from just after "<".
std::string TagName(const std::string& html, std::size_t at)
{
    std::string name;
    if (at < html.size() && html[at] == '/')
        name += html[at++];
    while (at < html.size() && std::isalpha(static_cast<unsigned char>(html[at])))
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[at++])));
    return name;
}

// A character reference from html[at] ("&"); appends what it stands for and
// returns the index after it, or appends "&" when it is not one.
std::size_t DecodeReference(const std::string& html, std::size_t at, std::string& out)
{
    static const struct {
        const char* name;
        char c;
    } kNamed[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&nbsp;", ' '}, {"&#39;", '\''}};
    for (const auto& named : kNamed) {
        const std::string name = named.name;
        if (html.compare(at, name.size(), name) == 0) {
            out += named.c;
            return at + name.size();
        }
    }
    out += '&';
    return at + 1;
}

}  // namespace

PageSummary SummarisePage(const std::string& html, bool utf8)
{
    PageSummary summary;
    std::size_t at = html.find("<body");
    at = at == std::string::npos ? 0 : html.find('>', at);
    at = at == std::string::npos ? html.size() : at + 1;
    const std::size_t bodyEnd = html.rfind("</body>");
    const std::size_t end = bodyEnd == std::string::npos || bodyEnd < at ? html.size() : bodyEnd;
    std::string text;
    while (at < end) {
        const char c = html[at];
        if (c == '<') {
            const std::size_t close = html.find('>', at);
            if (close == std::string::npos)
                break;
            const std::string name = TagName(html, at + 1);
            if (name == "br" || name == "p" || name == "/p" || name == "div" || name == "/div")
                text += '\n';
            at = close + 1;
        } else if (c == '&') {
            at = DecodeReference(html, at, text);
        } else {
            // Line ends of the markup itself are no text.
            if (c != '\n' && c != '\r')
                text += c;
            ++at;
        }
    }
    if (utf8)
        text = Utf8ToSjis(text);

    std::size_t lineStart = 0;
    std::string pending;  // empty lines held until text follows them
    while (lineStart <= text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        std::string line = text.substr(lineStart, lineEnd - lineStart);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (line.empty()) {
            if (!summary.text.empty())
                pending += '\n';
        } else {
            if (summary.title.empty())
                summary.title = line;
            summary.text += pending + line + '\n';
            pending.clear();
        }
        lineStart = lineEnd + 1;
    }
    return summary;
}
