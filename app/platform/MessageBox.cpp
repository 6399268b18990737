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
