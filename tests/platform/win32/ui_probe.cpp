// Looks at the windows of another program from outside, for the screen walk
// of scripts/windows-test.sh: where a control is, how many rows a list has,
// which controls are enabled, what a control says. Only messages the system
// carries between processes are used (no pointers into the other program).
//
// usage: ui-probe rect CAPTION ID      screen rectangle: X Y WIDTH HEIGHT
//        ui-probe rows CAPTION ID      rows of a list-view control
//        ui-probe enabled CAPTION ID…  1 or 0 for each control
//        ui-probe text CAPTION ID      the control's text, UTF-8
// CAPTION names a visible top-level window exactly; ID 0 is the window itself.
// Exits 1 when the window or a control is not there.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<Search*>(search);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (IsWindowVisible(window) && std::wcscmp(text, s.caption) == 0) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND Control(const wchar_t* caption, const wchar_t* id)
{
    Search search{caption, nullptr};
    EnumWindows(&MatchCaption, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        return nullptr;
    const int number = static_cast<int>(std::wcstol(id, nullptr, 10));
    return number == 0 ? search.found : GetDlgItem(search.found, number);
}

void PrintUtf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                            nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
}

int Fail(const wchar_t* what)
{
    std::fwprintf(stderr, L"ui-probe: %ls not found\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fputs("usage: ui-probe rect|rows|enabled|text CAPTION ID...\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* caption = argv[2];

    if (command == L"enabled") {
        for (int i = 3; i < argc; ++i) {
            HWND control = Control(caption, argv[i]);
            if (!control)
                return Fail(argv[i]);
            std::printf(i + 1 < argc ? "%d " : "%d\n", IsWindowEnabled(control) ? 1 : 0);
        }
        return 0;
    }

    HWND control = Control(caption, argv[3]);
    if (!control)
        return Fail(argv[3]);
    if (command == L"rect") {
        RECT rect{};
        GetWindowRect(control, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    } else if (command == L"rows") {
        std::printf("%ld\n", static_cast<long>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0)));
    } else if (command == L"text") {
        // GetWindowText would give another process's control only its
        // caption; the control itself answers WM_GETTEXT.
        const auto length = static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0));
        std::vector<wchar_t> text(length + 1, L'\0');
        SendMessageW(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
        PrintUtf8(text.data());
    } else {
        std::fputs("ui-probe: unknown command\n", stderr);
        return 2;
    }
    return 0;
}
