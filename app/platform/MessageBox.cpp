#include "platform/MessageBox.h"

#include "platform/TextEncoding.h"

#include <cstdio>
#include <utility>

namespace {

// The program has one user-interface thread; the sink is installed by the
// front end before any message can be shown.
MessageSink& CurrentSink()
{
    static MessageSink sink;
    return sink;
}

void WriteToStderr(const std::string& text, MessageIcon)
{
    const std::string line = SjisToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

int& CurrentSystemError()
{
    static int error = 0;
    return error;
}

}  // namespace

void ShowMessage(const std::string& text, MessageIcon icon) { ShowMessage(text, icon, 0); }

void ShowMessage(const std::string& text, MessageIcon icon, int systemError)
{
    // A sink may show a message of its own, which must not inherit this one's
    // reason.
    const int outer = std::exchange(CurrentSystemError(), systemError);
    const MessageSink& sink = CurrentSink();
    if (sink)
        sink(text, icon);
    else
        WriteToStderr(text, icon);
    CurrentSystemError() = outer;
}

int ShownSystemError() { return CurrentSystemError(); }

MessageSink SetMessageSink(MessageSink sink)
{
    return std::exchange(CurrentSink(), std::move(sink));
}
