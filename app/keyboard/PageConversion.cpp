#include "keyboard/PageConversion.h"

#include "ink/InkParser.h"
#include "keyboard/KeyboardDef.h"
#include "keyboard/PageStrokes.h"
#include "keyboard/HtmlConversion.h"
#include "platform/CurrentDirectory.h"
#include "platform/MessageBox.h"

#include <cerrno>
#include <exception>
#include <new>

#include <cstddef>
#include <utility>

const char* OutcomeText(InkFileConversion::Outcome outcome)
{
    switch (outcome) {
    case InkFileConversion::Outcome::Converted:
        return "変換済み";
    case InkFileConversion::Outcome::WriteFailed:
        return "変換エラー";
    case InkFileConversion::Outcome::Cancelled:
        return "キャンセル";
    case InkFileConversion::Outcome::Unreadable:
        break;
    }
    return "不正ファイル";
}

bool WriteHtmlPage(CPageStrokes& page, const std::string& htmlPath, const std::string& inkBaseName)
{
    return page.ConvertToHtml(htmlPath, inkBaseName);
}

InkFileConversion ReadInkFile(const std::string& inkPath, std::unique_ptr<CKeyboardDef> keyboard,
                              CQuadMapping* mapping, const HtmlPathChooser& chooseHtmlPath)
{
    using Outcome = InkFileConversion::Outcome;
    InkFileConversion result;
    IMessageBox& messages = keyboard->Messages();
    // Whatever fails (running out of memory included) ends this page after a
    // message; the caller goes on with the next.
    try {
        {
            // The page holds its own copy of the records: the parser's memory
            // goes before the page is written, for the writing to reuse.
            CInkParser parser;
            parser.SetPath(inkPath);
            if (!parser.DoParse(messages))
                return result;
            result.page = std::make_unique<CPageStrokes>(parser.GetRecords(), parser.GetRecordCount(),
                                                         std::move(keyboard), mapping);
            result.page->SetGeometry(parser.Geometry());
        }
        std::optional<std::string> htmlPath = chooseHtmlPath(InkBaseName(inkPath));
        if (!htmlPath) {
            result.outcome = Outcome::Cancelled;
            return result;
        }
        result.htmlPath = std::move(*htmlPath);
        result.outcome = Outcome::Converted;
    } catch (const std::exception& error) {
        const int reason = dynamic_cast<const std::bad_alloc*>(&error) ? ENOMEM : 0;
        // A page that was read failed while its path was asked for.
        const bool read = result.page != nullptr;
        messages.Show({read ? kHtmlWriteFailedMessage : CInkParser::kReadFailedMessage, MessageIcon::Exclamation,
                       reason});
        result.outcome = read ? Outcome::WriteFailed : Outcome::Unreadable;
        result.htmlPath.clear();
    }
    return result;
}

InkFileConversion ConvertInkFile(const std::string& inkPath, std::unique_ptr<CKeyboardDef> keyboard,
                                 CQuadMapping* mapping, const HtmlPathChooser& chooseHtmlPath,
                                 const PageWriter& writePage)
{
    using Outcome = InkFileConversion::Outcome;
    InkFileConversion result = ReadInkFile(inkPath, std::move(keyboard), mapping, chooseHtmlPath);
    if (result.outcome != Outcome::Converted)
        return result;
    try {
        if (!writePage(*result.page, result.htmlPath, InkBaseName(inkPath)))
            result.outcome = Outcome::WriteFailed;
    } catch (const std::exception& error) {
        const int reason = dynamic_cast<const std::bad_alloc*>(&error) ? ENOMEM : 0;
        result.page->Keyboard().Messages().Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, reason});
        result.outcome = Outcome::WriteFailed;
        result.htmlPath.clear();
    }
    return result;
}

InkFileConversion ConvertInkFile(const std::string& inkPath, std::unique_ptr<CKeyboardDef> keyboard,
                                 CQuadMapping* mapping, const std::string& htmlPath)
{
    return ConvertInkFile(inkPath, std::move(keyboard), mapping,
                          [&htmlPath](const std::string&) { return std::optional<std::string>(htmlPath); });
}

std::string InkBaseName(const std::string& path, char separator, bool (*isLeadByte)(unsigned char))
{
    std::size_t nameStart = 0;
    std::size_t lastDot = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (isLeadByte(c)) {
            ++i;
        } else if (c == '/' || c == static_cast<unsigned char>(separator)) {
            nameStart = i + 1;
            lastDot = std::string::npos;
        } else if (c == '.') {
            lastDot = i;
        }
    }
    const std::size_t nameEnd = lastDot == std::string::npos ? path.size() : lastDot;
    return path.substr(nameStart, nameEnd - nameStart);
}

std::string InkBaseName(const std::string& path) { return InkBaseName(path, PathSeparator(), &IsPathLeadByte); }
