#pragma once
// Questions and messages to the user. The window implements this with
// message boxes and file dialogs; tests and the command-line tool answer
// from a script. Texts passed here are shown word for word.

#include <optional>
#include <string>
#include <vector>

namespace qv {

enum class MessageIcon { Information, Warning, Confirmation, Error };

struct FileDialogRequest {
    std::string title;
    std::string filter;         // "Description|*.ext;*.ext2|..."
    std::string initialFolder;  // empty: the dialog's own choice
    std::string proposedName;   // file name offered in a save dialog
};

class Prompter {
  public:
    virtual ~Prompter() = default;

    // A message with an OK button.
    virtual void Inform(const std::string& text, MessageIcon icon = MessageIcon::Information) = 0;
    // Yes / No; true for Yes.
    virtual bool AskYesNo(const std::string& text, MessageIcon icon) = 0;
    // Yes / Cancel; true for Yes.
    virtual bool AskYesCancel(const std::string& text, MessageIcon icon) = 0;
    // The chosen file, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::vector<std::string> ChooseOpenFiles(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
};

}  // namespace qv
