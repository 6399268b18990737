#pragma once

#include <string>
#include <string_view>

// The file beside the page at `htmlPath` that has the page's name with
// `extension` (".txt") in place of the page's own: "a/memo.html" gives
// "a/memo.txt"; a name without extension gets it added.
std::string FileBesidePage(const std::string& htmlPath, std::string_view extension);

// The names the files written beside a page have.
inline std::string TextFileFor(const std::string& htmlPath) { return FileBesidePage(htmlPath, ".txt"); }
inline std::string InkmlFileFor(const std::string& htmlPath) { return FileBesidePage(htmlPath, ".inkml"); }
