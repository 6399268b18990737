#pragma once

#include "notebook/NotebookState.h"

#include <string>

// The file name of the index in the output folder, and the folder of its
// thumbnails there.
inline constexpr char kIndexName[] = "index.html";
inline constexpr char kThumbnailFolder[] = "thumbnails";

// What the index tells of a page beyond what the state records of it.
struct IndexFacts {
    bool inkGone = false;  // the ink file is no more
    // The modern (HTML5) page written beside it, relative to the output
    // folder; empty when there is none.
    std::string modernPage;
};

// index.html for the pages of `state`, in its order, entry by entry to
// `sink`: UTF-8, one entry per page with its link (to the modern page where
// one was written, the classic page then linked beside it), title, the ink
// file's date, its thumbnail or a text tile, and its text; `facts(k)` gives
// the IndexFacts of page k. The page filters itself as the search field is
// typed into, in the browser, with nothing fetched. The same state and facts
// give the same bytes.
template <typename Facts>
void WriteIndexHtml(const NotebookState& state, Facts facts, const ByteSink& sink);

// A path of the platform's narrow encoding as the index writes it: UTF-8,
// folders separated by "/", and every byte that a URL may not hold as it is
// percent-encoded.
std::string PathAsUrl(const std::string& path);
// Text for HTML, UTF-8: "&", "<", ">" and '"' as references.
std::string HtmlEscaped(const std::string& utf8);
// The local date and time of `nanoseconds` since 1970, "YYYY-MM-DD HH:MM".
std::string LocalDateTime(int64_t nanoseconds);

// One entry of the index, and the parts before and after them. The head has
// the same length for every count: one written before the count is known is
// overwritten in place.
std::string IndexHead(std::size_t pageCount);
std::string IndexEntry(const NotebookPage& page, const IndexFacts& facts);
std::string IndexTail();

template <typename Facts>
void WriteIndexHtml(const NotebookState& state, Facts facts, const ByteSink& sink)
{
    sink(IndexHead(state.pages.size()));
    for (std::size_t k = 0; k < state.pages.size(); ++k)
        sink(IndexEntry(state.pages[k], facts(k)));
    sink(IndexTail());
}
