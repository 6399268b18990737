#include "ink/XmlParser.h"

#include <expat.h>

#include <cstring>
#include <limits>
#include <memory>

namespace {

struct ParserFree {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};
using Parser = std::unique_ptr<XML_ParserStruct, ParserFree>;

// The parse under way: the handlers' target, and the first error, which
// stops the parser.
struct Session {
    XML_Parser parser;
    IXmlEvents& events;
    std::string error;
    std::vector<IXmlEvents::Attribute> attributes;

    void Stop(std::string why)
    {
        if (why.empty() || !error.empty())
            return;
        error = std::move(why);
        static_cast<void>(XML_StopParser(parser, XML_FALSE));
    }
};

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes)
{
    auto& session = *static_cast<Session*>(data);
    if (!session.error.empty())
        return;
    session.attributes.clear();
    for (const XML_Char** a = attributes; a[0] != nullptr; a += 2)
        session.attributes.push_back({a[0], a[1]});
    session.Stop(session.events.StartElement(name, session.attributes));
}

void XMLCALL OnEnd(void* data, const XML_Char* name)
{
    auto& session = *static_cast<Session*>(data);
    if (session.error.empty())
        session.Stop(session.events.EndElement(name));
}

void XMLCALL OnText(void* data, const XML_Char* text, int length)
{
    auto& session = *static_cast<Session*>(data);
    if (session.error.empty())
        session.Stop(session.events.Text(std::string_view(text, static_cast<std::size_t>(length))));
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    static_cast<Session*>(data)->Stop("a document type declaration is not accepted");
}

void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                      const XML_Char*, const XML_Char*)
{
    static_cast<Session*>(data)->Stop("an entity declaration is not accepted");
}

}  // namespace

std::string ParseXml(std::string_view document, IXmlEvents& events)
{
    if (document.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return "the document is too large";
    const Parser parser(XML_ParserCreateNS(nullptr, ' '));
    if (!parser)
        return "out of memory";
    Session session{parser.get(), events, {}, {}};
    XML_SetUserData(parser.get(), &session);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser.get(), OnText);
    XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);
    XML_SetEntityDeclHandler(parser.get(), OnEntity);
    // No external entity, DTD or parameter entity is ever read.
    static_cast<void>(XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER));
    const XML_Status status =
        XML_Parse(parser.get(), document.data(), static_cast<int>(document.size()), XML_TRUE);
    const std::string line = "line " + std::to_string(XML_GetCurrentLineNumber(parser.get()));
    if (!session.error.empty())
        return line + ": " + session.error;
    if (status != XML_STATUS_OK)
        return line + ": " + XML_ErrorString(XML_GetErrorCode(parser.get()));
    return {};
}
