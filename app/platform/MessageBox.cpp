#include "platform/MessageBox.h"

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <cstdio>

void CStderrMessageBox::Show(const Message& message)
{
    std::string line = prefix_ + SjisToUtf8(message.text);
    if (message.systemError != 0) {
        line += " (";
        if (!message.subject.empty())
            line += PathForDisplay(message.subject) + ": ";
        line += SystemErrorText(message.systemError) + ")";
    }
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void CDeferredMessages::Show(const Message& message) { items_.push_back({message, {}}); }

void CDeferredMessages::Later(std::function<void()> tell) { items_.push_back({std::nullopt, std::move(tell)}); }

void CDeferredMessages::TellOn(IMessageBox& box)
{
    std::vector<Item> items = std::move(items_);
    items_.clear();
    for (Item& item : items) {
        if (item.message)
            box.Show(*item.message);
        else if (item.tell)
            item.tell();
    }
}
