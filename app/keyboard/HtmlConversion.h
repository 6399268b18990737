#pragma once

#include <string>

// How a page's text is encoded. The program writes Shift_JIS; the command
// line can ask for UTF-8, for pages read elsewhere: the same markup, with the
// head saying UTF-8.
enum class PageEncoding { ShiftJis, Utf8 };

// The folder of a page's pictures: htmlPath with the last ".html" of its file
// name replaced by ".files", or htmlPath + ".files" when the name has none.
std::string PictureDirectoryFor(const std::string& htmlPath);

// Shown when writing a page fails part way.
inline constexpr char kHtmlWriteFailedMessage[] = "HTMLファイルの出力中でエラーが発生しました";
// Shown when a picture of a page cannot be written.
inline constexpr char kPictureWriteFailedMessage[] = "画像ファイルの出力中でエラーが発生しました";
