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

// What the message being shown is about.
struct ShownFailure {
    int systemError = 0;
    std::string subject;
};

ShownFailure& CurrentFailure()
{
    static ShownFailure failure;
    return failure;
}

}  // namespace

void ShowMessage(const std::string& text, MessageIcon icon) { ShowMessage(text, icon, 0, {}); }

void ShowMessage(const std::string& text, MessageIcon icon, int systemError)
{
    ShowMessage(text, icon, systemError, {});
}

void ShowMessage(const std::string& text, MessageIcon icon, int systemError, const std::string& path)
{
    // A sink may show a message of its own, which must not inherit this one's
    // reason.
    ShownFailure outer = std::exchange(CurrentFailure(), ShownFailure{systemError, path});
    const MessageSink& sink = CurrentSink();
    if (sink)
        sink(text, icon);
    else
        WriteToStderr(text, icon);
    CurrentFailure() = std::move(outer);
}

int ShownSystemError() { return CurrentFailure().systemError; }

const std::string& ShownSubject() { return CurrentFailure().subject; }

MessageSink SetMessageSink(MessageSink sink)
{
    return std::exchange(CurrentSink(), std::move(sink));
}
