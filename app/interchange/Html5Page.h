#pragma once

#include "handwriting/PictureHandwriting.h"
#include "keyboard/PageReading.h"

#include <string>

// The page as a modern HTML page, UTF-8: the page's first line as its title,
// a viewport for phones, each line of the page a paragraph with the pen
// colours of its texts, each picture with its size and an alternative text
// 「手書きの絵 n」. It shows the pictures the conversion wrote, from beside
// the classic page: a picture's SVG where one was written, else its JPEG. `readings` are those of the conversion that wrote them.
// A picture taken as writing in `handwriting` has its text as its alternative
// text.
std::string Html5Page(const PageReadings& readings, const PageHandwriting* handwriting = nullptr);

// Where the modern page of the page at `htmlPath` goes: beside it, as
// "<name>.html5.html".
std::string Html5PageFor(const std::string& htmlPath);
