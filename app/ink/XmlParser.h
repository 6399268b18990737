#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a streaming XML parser hands out, in document order. Element names are
// "<namespace URI> <local name>", or the local name alone outside any
// namespace; attributes likewise. Texts are UTF-8.
class IXmlEvents {
public:
    struct Attribute {
        std::string_view name;
        std::string_view value;
    };

    virtual ~IXmlEvents() = default;
    // Each returns an error text to stop the parse with, or empty to go on.
    virtual std::string StartElement(std::string_view name, const std::vector<Attribute>& attributes) = 0;
    virtual std::string EndElement(std::string_view name) = 0;
    // Character data of the current element, in pieces of any size.
    virtual std::string Text(std::string_view text) = 0;
};

// Parses a whole document held in memory. A document type declaration (and
// with it every entity definition) is refused: nothing the document says can
// make the parser expand or fetch anything. Returns empty on success, else
// what went wrong, with the line where the parser is at (ASCII).
std::string ParseXml(std::string_view document, IXmlEvents& events);
