#include "WindowScript.h"

#include "platform/win32/WideText.h"

#include <commctrl.h>

#include <system_error>

namespace {

constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 20;

struct ThreadWindowSearch {
    const std::wstring* caption = nullptr;
    const std::vector<HWND>* known = nullptr;
    HWND found = nullptr;
};

bool IsDialog(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770";
}

BOOL CALLBACK MatchCaption(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<ThreadWindowSearch*>(search);
    if (IsWindowVisible(window) && TextOf(window) == *s.caption) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchOtherDialog(HWND window, LPARAM search)
{
    auto& s = *reinterpret_cast<ThreadWindowSearch*>(search);
    if (!IsWindowVisible(window) || !IsDialog(window))
        return TRUE;
    for (HWND known : *s.known) {
        if (known == window)
            return TRUE;
    }
    s.found = window;
    return FALSE;
}

BOOL CALLBACK CloseWindow(HWND window, LPARAM script)
{
    if (window != reinterpret_cast<HWND>(script))
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

LPARAM Point(const RECT& rect) { return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2); }

}  // namespace

CWindowScript::CWindowScript(std::vector<Step> steps, DWORD timeoutMs)
    : steps_(std::move(steps)), deadline_(GetTickCount() + timeoutMs)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MaroviWindowScript";
    RegisterClassW(&windowClass);  // fails harmlessly once the class exists
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window_, kTimer, kTickMs, nullptr);
}

CWindowScript::~CWindowScript()
{
    KillTimer(window_, kTimer);
    DestroyWindow(window_);
}

LRESULT CALLBACK CWindowScript::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        if (auto* self = reinterpret_cast<CWindowScript*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            self->Tick();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CWindowScript::Tick()
{
    if (running_ || Done() || !failure_.empty())
        return;
    // One step a tick, so what a step posted is handled before the next looks.
    running_ = true;
    if (steps_[next_]())
        ++next_;
    running_ = false;
    if (!Done() && static_cast<LONG>(GetTickCount() - deadline_) > 0) {
        failure_ = "step " + std::to_string(next_) + " never came about";
        EnumThreadWindows(GetCurrentThreadId(), &CloseWindow, reinterpret_cast<LPARAM>(window_));
    }
}

HWND FindThreadWindow(const std::wstring& caption)
{
    ThreadWindowSearch search;
    search.caption = &caption;
    EnumThreadWindows(GetCurrentThreadId(), &MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindOtherDialog(const std::vector<HWND>& known)
{
    ThreadWindowSearch search;
    search.known = &known;
    EnumThreadWindows(GetCurrentThreadId(), &MatchOtherDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TextOf(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

std::wstring Wide(const std::string& sjis) { return SjisToWide(sjis); }

std::wstring AnsiCodePageName()
{
    for (const wchar_t* name : {L"Jos\u00e9", L"\u8868"}) {
        if (AnsiToWide(WideToAnsi(name)) == name)
            return name;
    }
    return L"plain";
}

void PostClick(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

CWindowScript::Step ClickWhenGone(const HWND& gone, const HWND& dialog, int id)
{
    return [&gone, &dialog, id] {
        if (IsWindow(gone))
            return false;
        PostClick(dialog, id);
        return true;
    };
}

void PostRowClick(HWND list, int row, bool doubleClick)
{
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT rect{};
    rect.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    const LPARAM at = Point(rect);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    if (doubleClick) {
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
    }
}

void PostEmptyClick(HWND list)
{
    RECT client{};
    GetClientRect(list, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom - 4);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

int ListRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ListText(HWND list, int row, int column)
{
    std::wstring text(4096, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    text.resize(static_cast<std::size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item))));
    return text;
}

bool ListRowSelected(HWND list, int row)
{
    return SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
}

CScratchFolder::CScratchFolder(const std::vector<std::string>& files)
    : previous_(std::filesystem::current_path())
{
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("marovi-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(path_);
    for (const std::string& name : files) {
        std::error_code error;
        std::filesystem::copy_file(previous_ / name, path_ / name, error);
        if (error)
            missing_.push_back(name);
    }
    std::filesystem::current_path(path_);
}

CScratchFolder::~CScratchFolder()
{
    std::error_code error;
    std::filesystem::current_path(previous_, error);
    std::filesystem::remove_all(path_, error);
}
