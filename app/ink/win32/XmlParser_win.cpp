#include "ink/XmlParser.h"

#include <windows.h>
#include <objbase.h>
#include <xmllite.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// XmlLite comes with every Windows since Vista and with Wine, but the cross
// compiler has no import library for it: CreateXmlReader is looked up once
// per parse.
using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

struct LibraryFree {
    void operator()(HMODULE module) const { static_cast<void>(FreeLibrary(module)); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFree>;

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease>;

// The document as the stream XmlLite reads, so that the program needs no
// DLL beyond the ones every Windows program loads. Reference counted as COM
// objects are: the reader holds it while it reads. COM interfaces have no
// virtual destructor; the object deletes itself, as what it is, in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class CMemoryStream final : public ISequentialStream {
public:
    explicit CMemoryStream(std::string_view bytes) : bytes_(bytes) {}
    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream)) {
            *object = static_cast<ISequentialStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override
    {
        const std::size_t count = std::min<std::size_t>(size, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        if (read)
            *read = static_cast<ULONG>(count);
        return count == size ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

private:
    ~CMemoryStream() = default;

    std::string_view bytes_;
    std::size_t position_ = 0;
    ULONG references_ = 1;
};
#pragma GCC diagnostic pop

constexpr wchar_t kXmlnsNamespace[] = L"http://www.w3.org/2000/xmlns/";

std::string Utf8(const wchar_t* text, UINT length)
{
    if (length == 0)
        return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), bytes, nullptr, nullptr);
    return out;
}

// The node's name as the events take it: "<namespace> <local>", or the
// local name alone; false when the reader cannot say.
bool NodeName(IXmlReader& reader, std::string& name, std::wstring* namespaceUri = nullptr)
{
    const wchar_t* uri = nullptr;
    const wchar_t* local = nullptr;
    UINT uriLength = 0;
    UINT localLength = 0;
    if (FAILED(reader.GetNamespaceUri(&uri, &uriLength)) || FAILED(reader.GetLocalName(&local, &localLength)))
        return false;
    if (namespaceUri)
        namespaceUri->assign(uri, uriLength);
    name = uriLength == 0 ? Utf8(local, localLength) : Utf8(uri, uriLength) + " " + Utf8(local, localLength);
    return true;
}

std::string Failure(IXmlReader& reader, const std::string& what)
{
    UINT line = 0;
    static_cast<void>(reader.GetLineNumber(&line));
    return "line " + std::to_string(line) + ": " + what;
}

std::string Parse(IXmlReader& reader, IXmlEvents& events)
{
    XmlNodeType type = XmlNodeType_None;
    HRESULT status = S_OK;
    std::vector<std::string> attributeTexts;
    std::vector<IXmlEvents::Attribute> attributes;
    // Elements open; a document that ends inside one is cut short.
    std::size_t depth = 0;
    bool sawElement = false;
    // Character data comes in one node, or a few where CDATA sections cut
    // it. Wine's reader, stuck at the end of a document cut short inside an
    // element, hands out the same text node for ever rather than failing.
    constexpr int kMaxTextRun = 1024;
    int textRun = 0;
    while ((status = reader.Read(&type)) == S_OK) {
        const bool text = type == XmlNodeType_Text || type == XmlNodeType_CDATA || type == XmlNodeType_Whitespace;
        textRun = text ? textRun + 1 : 0;
        if (textRun > kMaxTextRun)
            return Failure(reader, "no element found");
        std::string name;
        std::string error;
        switch (type) {
        case XmlNodeType_None:
            return Failure(reader, "not well-formed XML");
        case XmlNodeType_DocumentType:
            return Failure(reader, "a document type declaration is not accepted");
        case XmlNodeType_Element: {
            if (!NodeName(reader, name))
                return Failure(reader, "an element without a name");
            const bool empty = reader.IsEmptyElement() != FALSE;
            sawElement = true;
            // Names and values first, views on them after: the vector does
            // not move its strings once it is filled.
            attributeTexts.clear();
            for (HRESULT more = reader.MoveToFirstAttribute(); more == S_OK; more = reader.MoveToNextAttribute()) {
                std::string attributeName;
                std::wstring uri;
                const wchar_t* value = nullptr;
                UINT valueLength = 0;
                if (!NodeName(reader, attributeName, &uri) || FAILED(reader.GetValue(&value, &valueLength)))
                    return Failure(reader, "an attribute that cannot be read");
                // Namespace declarations are the parser's business.
                if (uri == kXmlnsNamespace || attributeName == "xmlns")
                    continue;
                attributeTexts.push_back(std::move(attributeName));
                attributeTexts.push_back(Utf8(value, valueLength));
            }
            attributes.clear();
            for (std::size_t i = 0; i + 1 < attributeTexts.size(); i += 2)
                attributes.push_back({attributeTexts[i], attributeTexts[i + 1]});
            static_cast<void>(reader.MoveToElement());
            error = events.StartElement(name, attributes);
            if (error.empty() && empty)
                error = events.EndElement(name);
            else
                ++depth;
            break;
        }
        case XmlNodeType_EndElement:
            if (!NodeName(reader, name))
                return Failure(reader, "an element without a name");
            --depth;
            error = events.EndElement(name);
            break;
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace: {
            const wchar_t* value = nullptr;
            UINT valueLength = 0;
            if (FAILED(reader.GetValue(&value, &valueLength)))
                return Failure(reader, "text that cannot be read");
            error = events.Text(Utf8(value, valueLength));
            break;
        }
        default:
            break;
        }
        if (!error.empty())
            return Failure(reader, error);
    }
    if (FAILED(status)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
        return Failure(reader, std::string("not well-formed XML (") + code + ")");
    }
    if (!sawElement || depth != 0)
        return Failure(reader, "no element found");
    return {};
}

}  // namespace

std::string ParseXml(std::string_view document, IXmlEvents& events)
{
    if (document.size() > 0x7FFFFFFF)
        return "the document is too large";
    const Library library(LoadLibraryW(L"xmllite.dll"));
    if (!library)
        return "the system's XML reader (xmllite.dll) is missing";
    const auto create =
        reinterpret_cast<CreateXmlReaderFunction>(reinterpret_cast<void*>(GetProcAddress(library.get(), "CreateXmlReader")));
    if (!create)
        return "the system's XML reader (xmllite.dll) is missing";
    IXmlReader* created = nullptr;
    if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&created), nullptr)) || !created)
        return "the system's XML reader cannot be started";
    // Declared after the library, so released before the code behind it goes.
    const ComPtr<IXmlReader> reader(created);
    const ComPtr<ISequentialStream> stream(new CMemoryStream(document));
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_XmlResolver, 0)) ||
        FAILED(reader->SetInput(stream.get())))
        return "the system's XML reader cannot be set up";
    return Parse(*reader, events);
}
