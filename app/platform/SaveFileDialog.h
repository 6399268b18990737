#pragma once

#include <optional>
#include <string>

// What the program asks of the platform's save-file dialog. The filter uses
// "|" after each description and each pattern list, as the Windows dialog
// expects ("HTML document (*.html;*.htm)|*.html;*.htm|...|").
struct SaveFileRequest {
    std::string suggestedName;
    std::string defaultExtension;  // with its dot, e.g. ".html"
    std::string filter;
    bool overwritePrompt = true;
    bool hideReadOnly = true;
    bool longNames = true;
    bool noChangeDir = true;
};

class ISaveFileDialog {
public:
    virtual ~ISaveFileDialog() = default;
    // The full path chosen, or nothing when the user cancelled.
    virtual std::optional<std::string> Ask(const SaveFileRequest& request) = 0;
};
