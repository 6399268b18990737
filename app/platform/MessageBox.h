#pragma once

#include <functional>
#include <string>

enum class MessageIcon { None, Exclamation };

// Every message the program shows goes through ShowMessage: a modal box with
// an OK button on Windows, a line on a terminal, a record in tests. The text is
// Shift_JIS; the sink converts it for its display.
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Exclamation);
// The same for a failure of a system call, with the errno value it left (0:
// the system gave no reason). A window shows the text alone; a terminal adds
// the system's reason.
void ShowMessage(const std::string& text, MessageIcon icon, int systemError);
// The same for a failure on the file or folder `path`, which a terminal
// names beside the reason.
void ShowMessage(const std::string& text, MessageIcon icon, int systemError, const std::string& path);
// While a sink runs: the errno value of the failure it is shown, 0 for none,
// and the file it is about, empty for none.
int ShownSystemError();
const std::string& ShownSubject();

using MessageSink = std::function<void(const std::string& text, MessageIcon icon)>;

// Installs the front end's sink and returns the one it replaces. An empty sink
// restores the default, which writes the text as UTF-8 to stderr.
MessageSink SetMessageSink(MessageSink sink);

// Installs a sink for the lifetime of the object and restores the previous one.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink sink) : previous_(SetMessageSink(std::move(sink))) {}
    ~ScopedMessageSink() { SetMessageSink(std::move(previous_)); }
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink previous_;
};
