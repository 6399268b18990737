#pragma once

#include "platform/MessageBox.h"

#include <string>
#include <vector>

// Collects every message shown while it lives, in order; the sink it replaced
// comes back when it goes.
class MessageLog {
public:
    MessageLog() : sink_([this](const std::string& text, MessageIcon) { messages_.push_back(text); }) {}
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    const std::vector<std::string>& Messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
    ScopedMessageSink sink_;
};
