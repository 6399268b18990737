#pragma once

#include "platform/Controls.h"

#include <string>

// Controls that only remember what was done to them.

class CInMemoryButton : public IButton {
public:
    void Enable(bool enabled) override { enabled_ = enabled; }
    bool IsEnabled() const override { return enabled_; }
    void SetImage(int bitmapId) override { image_ = bitmapId; }
    int Image() const { return image_; }

private:
    bool enabled_ = true;
    int image_ = 0;
};

class CInMemoryEditField : public IEditField {
public:
    std::string GetText() const override { return text_; }
    void SetText(const std::string& text) override { text_ = text; }
    void Enable(bool enabled) override { enabled_ = enabled; }
    bool IsEnabled() const override { return enabled_; }
    void Select() override { ++selections_; }
    int Selections() const { return selections_; }

private:
    std::string text_;
    bool enabled_ = true;
    int selections_ = 0;
};

class CInMemoryPicture : public IPicture {
public:
    void SetImage(int bitmapId) override { image_ = bitmapId; }
    int Image() const { return image_; }

private:
    int image_ = 0;
};

class CInMemoryWindowFrame : public IWindowFrame {
public:
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void SetIcon(int iconId) override { icon_ = iconId; }
    const std::string& Caption() const { return caption_; }
    int Icon() const { return icon_; }

private:
    std::string caption_;
    int icon_ = 0;
};
