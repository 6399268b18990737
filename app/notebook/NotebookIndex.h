#pragma once

#include "notebook/NotebookState.h"

#include <string>

// The file name of the index in the output folder, and the folder of its
// thumbnails there.
inline constexpr char kIndexName[] = "index.html";
inline constexpr char kThumbnailFolder[] = "thumbnails";

// index.html for the pages of `state`, in its order, entry by entry to
// `sink`: UTF-8, one entry per page with its link, title, the ink file's
// date, its thumbnail or a text tile, and its text; `inkGone(k)` marks page k
// whose ink file is no more. The page filters itself as the search field is
// typed into, in the browser, with nothing fetched. The same state gives the
// same bytes.
template <typename InkGone>
void WriteIndexHtml(const NotebookState& state, InkGone inkGone, const ByteSink& sink);

// A path of the platform's narrow encoding as the index writes it: UTF-8,
// folders separated by "/", and every byte that a URL may not hold as it is
// percent-encoded.
std::string PathAsUrl(const std::string& path);
// Text for HTML, UTF-8: "&", "<", ">" and '"' as references.
std::string HtmlEscaped(const std::string& utf8);
// The local date and time of `nanoseconds` since 1970, "YYYY-MM-DD HH:MM".
std::string LocalDateTime(int64_t nanoseconds);

// One entry of the index, and the parts before and after them.
std::string IndexHead(std::size_t pageCount);
std::string IndexEntry(const NotebookPage& page, bool inkGone);
std::string IndexTail();

template <typename InkGone>
void WriteIndexHtml(const NotebookState& state, InkGone inkGone, const ByteSink& sink)
{
    sink(IndexHead(state.pages.size()));
    for (std::size_t k = 0; k < state.pages.size(); ++k)
        sink(IndexEntry(state.pages[k], inkGone(k)));
    sink(IndexTail());
}
