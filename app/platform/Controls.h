#pragma once

#include <string>

// The few control operations the dialog logic needs. The Win32 front end binds
// them to real controls; tests and the command line use the in-memory ones in
// InMemoryControls.h. Texts are Shift_JIS.

class IButton {
public:
    virtual ~IButton() = default;
    virtual void Enable(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
    // Shows a bitmap resource of the program on the button face.
    virtual void SetImage(int bitmapId) = 0;
};

class IEditField {
public:
    virtual ~IEditField() = default;
    virtual std::string GetText() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void Enable(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
    // Takes the focus with the whole text selected, so what the user types
    // next replaces it.
    virtual void Select() = 0;
};

class IPicture {
public:
    virtual ~IPicture() = default;
    virtual void SetImage(int bitmapId) = 0;
};

// The top-level window a dialog's logic runs in.
class IWindowFrame {
public:
    virtual ~IWindowFrame() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    // Big and small icon from an icon resource.
    virtual void SetIcon(int iconId) = 0;
};
