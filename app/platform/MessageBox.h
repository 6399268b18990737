#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class MessageIcon { None, Exclamation };

// A message for the person at the program. The text is Shift_JIS.
struct Message {
    Message(std::string text_, MessageIcon icon_ = MessageIcon::Exclamation, int systemError_ = 0,
            std::string subject_ = {})
        : text(std::move(text_)), icon(icon_), systemError(systemError_), subject(std::move(subject_))
    {
    }

    std::string text;
    MessageIcon icon = MessageIcon::Exclamation;
    // The errno value of the system call that failed, 0 when the message is
    // not about one or the system gave no reason. A window shows the text
    // alone; a terminal adds the system's reason.
    int systemError = 0;
    // The file or folder the failure is about, empty when it goes without
    // saying; a terminal names it beside the reason.
    std::string subject;
};

// Where an operation that can fail shows its message: a modal box with an OK
// button on Windows, a line on a terminal, a record in tests. The caller hands
// one to every operation that may show a message; the operation never owns it.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual void Show(const Message& message) = 0;
};

// Writes each message as a line of UTF-8 on stderr, with the system's reason
// and the subject when it has them.
class CStderrMessageBox : public IMessageBox {
public:
    // `prefix` (UTF-8) begins every line, e.g. "marovi-sheet: ".
    explicit CStderrMessageBox(std::string prefix = {}) : prefix_(std::move(prefix)) {}
    void Show(const Message& message) override;

private:
    std::string prefix_;
};

// Messages kept to be told later, in the order they came, with anything else
// to be told between them: a page converted beside others tells what it has
// to say when its turn in the run comes. Used by one thread at a time.
class CDeferredMessages : public IMessageBox {
public:
    void Show(const Message& message) override;
    // Something of the caller's own to be told in its place among the
    // messages.
    void Later(std::function<void()> tell);
    // Tells everything kept, messages on `box`, in order, and forgets it.
    void TellOn(IMessageBox& box);
    bool Empty() const { return items_.empty(); }

private:
    struct Item {
        std::optional<Message> message;
        std::function<void()> tell;
    };
    std::vector<Item> items_;
};
