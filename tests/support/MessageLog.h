#pragma once

#include "platform/MessageBox.h"

#include <string>
#include <vector>

// Keeps every message shown to it, in order.
class MessageLog : public IMessageBox {
public:
    void Show(const Message& message) override
    {
        shown_.push_back(message);
        texts_.push_back(message.text);
    }

    // The texts alone.
    const std::vector<std::string>& Messages() const { return texts_; }
    const std::vector<Message>& Shown() const { return shown_; }

private:
    std::vector<Message> shown_;
    std::vector<std::string> texts_;
};
