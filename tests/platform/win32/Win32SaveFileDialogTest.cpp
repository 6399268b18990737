#include "platform/win32/Win32SaveFileDialog.h"

#include <commdlg.h>
#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(Win32SaveFileDialog, FilterEntriesEndInNuls)
{
    const struct {
        const char* filter;
        std::wstring expected;
    } cases[] = {
        {"HTML document (*.html;*.htm)|*.html;*.htm|Text files (*.txt)|*.txt|",
         L"HTML document (*.html;*.htm)\0*.html;*.htm\0Text files (*.txt)\0*.txt\0\0"s},
        // ポ is 0x83 0x7C in Shift_JIS: its second byte is the bar's.
        {"ポスター (*.p)|*.p|", L"ポスター (*.p)\0*.p\0\0"s},
        {"", L"\0"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(SaveDialogFilter(c.filter), c.expected);
    }
}

TEST(Win32SaveFileDialog, FlagsFollowTheRequest)
{
    SaveFileRequest request;
    EXPECT_EQ(SaveDialogFlags(request),
              static_cast<DWORD>(OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_LONGNAMES | OFN_NOCHANGEDIR));
    request.overwritePrompt = false;
    request.noChangeDir = false;
    EXPECT_EQ(SaveDialogFlags(request), static_cast<DWORD>(OFN_EXPLORER | OFN_HIDEREADONLY | OFN_LONGNAMES));
}
