#include "notebook/NotebookIndex.h"

#include "platform/CurrentDirectory.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// UTF-8, whatever the program's texts are in.
std::string FromProgramText(const std::string& sjis) { return SjisToUtf8(sjis); }

std::string FromPath(const std::string& path)
{
#ifdef _WIN32
    return SjisToUtf8(path);
#else
    return path;
#endif
}

// The ink file's name without its folder, UTF-8.
std::string InkName(const std::string& inkPath)
{
    std::size_t start = 0;
    for (std::size_t k = 0; k < inkPath.size(); ++k) {
        const auto c = static_cast<unsigned char>(inkPath[k]);
        if (IsPathLeadByte(c))
            ++k;
        else if (c == '/' || c == static_cast<unsigned char>(PathSeparator()))
            start = k + 1;
    }
    return FromPath(inkPath.substr(start));
}

constexpr char kStyle[] = R"(:root {
  color-scheme: light dark;
  --paper: #fbfaf7; --ink: #1f2328; --muted: #5b6370; --line: #d8dbe0;
  --card: #ffffff; --accent: #1a5fb4; --tile: #eef1f5;
}
@media (prefers-color-scheme: dark) {
  :root {
    --paper: #16181c; --ink: #e6e8eb; --muted: #a0a8b4; --line: #343a44;
    --card: #1f2329; --accent: #8ab4f8; --tile: #2a3039;
  }
}
* { box-sizing: border-box; }
body {
  margin: 0; background: var(--paper); color: var(--ink);
  font: 16px/1.6 "Noto Sans CJK JP", "Hiragino Sans", "Yu Gothic", "IPAPGothic", sans-serif;
}
header {
  position: sticky; top: 0; padding: 1rem 1.5rem; background: var(--paper);
  border-bottom: 1px solid var(--line);
}
h1 { margin: 0 0 .5rem; font-size: 1.4rem; }
input[type="search"] {
  width: 100%; max-width: 32rem; padding: .5rem .75rem; font: inherit;
  color: inherit; background: var(--card); border: 1px solid var(--line); border-radius: .4rem;
}
#count { margin: .25rem 0 0; color: var(--muted); font-size: .9rem; }
ol { list-style: none; margin: 0; padding: 1rem 1.5rem;
  display: grid; grid-template-columns: repeat(auto-fill, minmax(16rem, 1fr)); gap: 1rem; }
li.page { background: var(--card); border: 1px solid var(--line); border-radius: .5rem; padding: .75rem; }
li.page[hidden] { display: none; }
li.page a { color: inherit; text-decoration: none; display: block; border-radius: .3rem; }
li.page a:focus-visible { outline: 3px solid var(--accent); outline-offset: 3px; }
li.page a:hover h2 { color: var(--accent); }
li.page a.classic { display: inline; color: var(--accent); text-decoration: underline; }
.thumb { display: block; width: 100%; height: 8rem; object-fit: contain; background: #fff; border-radius: .3rem; }
.tile { display: flex; align-items: center; justify-content: center; height: 8rem; padding: .5rem;
  overflow: hidden; background: var(--tile); color: var(--muted); border-radius: .3rem; font-size: 1.1rem; }
h2 { margin: .5rem 0 0; font-size: 1.05rem; overflow-wrap: anywhere; }
.meta { margin: .2rem 0; color: var(--muted); font-size: .85rem; }
.name { margin-left: .5rem; overflow-wrap: anywhere; }
.gone { margin-left: .5rem; padding: 0 .4rem; border: 1px solid currentColor; border-radius: .3rem; }
.text { margin: .3rem 0 0; white-space: pre-line; font-size: .9rem; max-height: 6.5em; overflow: hidden; }
@media print {
  header { position: static; }
  input[type="search"], #count { display: none; }
  body { background: #fff; color: #000; }
  li.page { break-inside: avoid; border-color: #999; }
  .text { max-height: none; }
}
)";

// Kana of either script and characters of either width compare equal: the
// text is folded to NFKC (half-width katakana and full-width Latin become
// their usual forms), katakana to hiragana, and to lower case.
constexpr char kScript[] = R"((function () {
  "use strict";
  function fold(text) {
    return text.normalize("NFKC").toLowerCase().replace(/[\u30a1-\u30f6]/g, function (c) {
      return String.fromCharCode(c.charCodeAt(0) - 0x60);
    });
  }
  var field = document.getElementById("search");
  var count = document.getElementById("count");
  var entries = Array.prototype.slice.call(document.querySelectorAll("li.page"));
  var folded = entries.map(function (entry) {
    return fold(entry.querySelector("h2").textContent + "\n" + entry.querySelector(".text").textContent);
  });
  // Handwriting read on a page: per picture a line of cells parted by "|",
  // each cell its candidate characters. A word is found there when each of
  // its characters is among the candidates of consecutive cells.
  var written = entries.map(function (entry) {
    var lines = entry.getAttribute("data-handwriting");
    return lines ? lines.split("\n").filter(Boolean).map(function (line) {
      return line.split("|").map(fold);
    }) : [];
  });
  function inHandwriting(lines, word) {
    var chars = Array.from(word);
    return lines.some(function (cells) {
      for (var i = 0; i + chars.length <= cells.length; i++) {
        var all = true;
        for (var j = 0; j < chars.length && all; j++) all = cells[i + j].indexOf(chars[j]) >= 0;
        if (all) return true;
      }
      return false;
    });
  }
  function filter() {
    var words = fold(field.value).split(/\s+/).filter(Boolean);
    var shown = 0;
    entries.forEach(function (entry, k) {
      var match = words.every(function (word) {
        return folded[k].indexOf(word) >= 0 || inHandwriting(written[k], word);
      });
      entry.hidden = !match;
      if (match) shown++;
    });
    count.textContent = shown + " / " + entries.length + " \u30da\u30fc\u30b8";
  }
  function visibleLinks() {
    return entries.filter(function (entry) { return !entry.hidden; }).map(function (entry) {
      return entry.querySelector("a");
    });
  }
  field.addEventListener("input", filter);
  document.addEventListener("keydown", function (event) {
    if (event.key === "/" && document.activeElement !== field) {
      event.preventDefault();
      field.focus();
      return;
    }
    if (event.key !== "ArrowDown" && event.key !== "ArrowUp") return;
    var links = visibleLinks();
    if (links.length === 0) return;
    var at = links.indexOf(document.activeElement);
    var next = event.key === "ArrowDown" ? at + 1 : (at < 0 ? links.length - 1 : at - 1);
    if (next < 0) { field.focus(); event.preventDefault(); return; }
    if (next < links.length) { links[next].focus(); event.preventDefault(); }
  });
  filter();
})();
)";

}  // namespace

std::string PathAsUrl(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url;
    for (const char c : FromPath(path)) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' && PathSeparator() == '\\') {
            url += '/';
        } else if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' ||
                   c == '_' || c == '.' || c == '~' || c == '/') {
            url += c;
        } else {
            url += '%';
            url += kHex[b >> 4];
            url += kHex[b & 15];
        }
    }
    return url;
}

std::string HtmlEscaped(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string LocalDateTime(int64_t nanoseconds)
{
    const auto seconds = static_cast<std::time_t>(nanoseconds / 1000000000);
    std::tm local {};
#ifdef _WIN32
    if (localtime_s(&local, &seconds) != 0)
        return {};
#else
    if (localtime_r(&seconds, &local) == nullptr)
        return {};
#endif
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0)
        return {};
    return text;
}

namespace {

// The first candidate of every cell of HandwritingCandidates' lines: the
// text the handwriting read as, a line per picture. Shift_JIS.
std::string BestOfCells(const std::string& candidates)
{
    std::string text;
    bool cellStart = true;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const char c = candidates[k];
        if (c == '|' || c == '\n') {
            if (c == '\n')
                text += c;
            cellStart = true;
            continue;
        }
        const std::size_t width =
            IsShiftJisLeadByte(static_cast<unsigned char>(c)) && k + 1 < candidates.size() ? 2 : 1;
        if (cellStart)
            text.append(candidates, k, width);
        cellStart = false;
        k += width - 1;
    }
    return text;
}

// A count of pages padded with blanks that the page does not show, so that
// the head has one length for every count.
std::string PaddedCount(std::size_t pageCount, const std::string& after)
{
    constexpr std::size_t kWidth = 20;
    const std::string count = std::to_string(pageCount);
    return count + after + std::string(kWidth - std::min(kWidth, count.size()), ' ');
}

}  // namespace

std::string IndexHead(std::size_t pageCount)
{
    return "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           u8"<title>ノート (" + PaddedCount(pageCount, u8" ページ)") + "</title>\n<style>\n" + kStyle +
           u8"</style>\n</head>\n<body>\n<header>\n<h1>ノート</h1>\n"
           u8"<input type=\"search\" id=\"search\" aria-label=\"ページの文字を検索\" "
           u8"placeholder=\"ページの文字を検索 ( / )\" autocomplete=\"off\">\n"
           "<p id=\"count\" aria-live=\"polite\">" + PaddedCount(pageCount, u8" ページ") + "</p>\n"
           "</header>\n<main>\n<ol id=\"pages\">\n";
}

std::string IndexEntry(const NotebookPage& page, const IndexFacts& facts)
{
    const std::string title = page.title.empty() ? InkName(page.ink) : FromProgramText(page.title);
    const std::string shownTitle = HtmlEscaped(title);
    const std::string& linked = facts.modernPage.empty() ? page.page : facts.modernPage;
    std::string entry = "<li class=\"page\"";
    // The text read from the handwriting follows the page's own; the
    // candidates are there for the search.
    std::string text = page.text;
    if (!page.handwriting.empty()) {
        entry += " data-handwriting=\"" + HtmlEscaped(FromProgramText(page.handwriting)) + "\"";
        text += BestOfCells(page.handwriting);
    }
    entry += ">\n<a href=\"" + PathAsUrl(linked) + "\">";
    if (!page.thumbnail.empty()) {
        entry += "<img class=\"thumb\" src=\"" + PathAsUrl(page.thumbnail) + "\" alt=\"" + shownTitle +
                 u8" の絵\" loading=\"lazy\">";
    } else {
        entry += "<span class=\"tile\" aria-hidden=\"true\">" + shownTitle + "</span>";
    }
    entry += "<h2>" + shownTitle + "</h2></a>\n<p class=\"meta\"><time>" +
             LocalDateTime(page.inkStamp.modified) + "</time> <span class=\"name\">" +
             HtmlEscaped(FromPath(page.page)) + "</span>";
    if (!facts.modernPage.empty())
        entry += " <a class=\"classic\" href=\"" + PathAsUrl(page.page) + u8"\">従来のページ</a>";
    if (facts.inkGone)
        entry += u8"<span class=\"gone\">インクファイルなし</span>";
    return entry + "</p>\n<p class=\"text\">" + HtmlEscaped(FromProgramText(text)) + "</p>\n</li>\n";
}

std::string IndexTail() { return std::string("</ol>\n</main>\n<script>\n") + kScript + "</script>\n</body>\n</html>\n"; }
