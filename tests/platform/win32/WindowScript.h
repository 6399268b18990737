#pragma once

#include <windows.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Plays the user while a modal window of this thread runs. A timer on a
// message-only window tries the current step every few milliseconds, from
// inside whatever modal loop is running, until the step reports it is done;
// the next one follows at the next tick, after what the step posted. Steps must not block: an action that opens a
// modal window is posted, not sent. When the time runs out, every window of
// the thread is asked to close so the modal runs return, and Failed() tells
// which step was waiting.
class CWindowScript {
public:
    using Step = std::function<bool()>;  // true when done

    explicit CWindowScript(std::vector<Step> steps, DWORD timeoutMs = 20000);
    ~CWindowScript();
    CWindowScript(const CWindowScript&) = delete;
    CWindowScript& operator=(const CWindowScript&) = delete;

    bool Done() const { return next_ == steps_.size(); }
    // Empty while nothing failed.
    const std::string& Failure() const { return failure_; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Tick();

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    DWORD deadline_;
    bool running_ = false;  // a step is being tried; nested modal loops tick too
    std::string failure_;
    HWND window_ = nullptr;
};

// A visible top-level window of this thread with exactly this caption, or null.
HWND FindThreadWindow(const std::wstring& caption);
// The first visible dialog (#32770) of this thread that is none of `known`.
HWND FindOtherDialog(const std::vector<HWND>& known);

std::wstring TextOf(HWND window);
std::wstring ItemText(HWND dialog, int id);
// The Shift_JIS text as the controls show it.
std::wstring Wide(const std::string& sjis);

// A name beyond ASCII that the ANSI code page can hold, as paths of the
// system are: "José" on a Western system, "表" on a Japanese one (its second
// Shift_JIS byte is a backslash).
std::wstring AnsiCodePageName();

// Posts the button's click to its dialog, as a press of the button would.
void PostClick(HWND dialog, int id);
// A step that waits until `gone` is no longer a window, then posts the click
// of button `id` to `dialog`. Both handles are read when the step runs.
CWindowScript::Step ClickWhenGone(const HWND& gone, const HWND& dialog, int id);
// Posts a left click (or double click) on a row of a list-view control.
void PostRowClick(HWND list, int row, bool doubleClick);
// Posts a left click on the list's empty space below its last row.
void PostEmptyClick(HWND list);

int ListRowCount(HWND list);
std::wstring ListText(HWND list, int row, int column);
bool ListRowSelected(HWND list, int row);

// A fresh folder under the temporary folder that becomes the current
// directory, holding copies of `files` taken from the directory the tests
// started in; the old directory comes back and the folder goes at the end.
class CScratchFolder {
public:
    explicit CScratchFolder(const std::vector<std::string>& files);
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Names of `files` that were missing in the start directory.
    const std::vector<std::string>& Missing() const { return missing_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
    std::vector<std::string> missing_;
};
