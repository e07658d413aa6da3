#pragma once
// The user's questions and messages as Qt message boxes and file dialogs.

#include <QFileDialog>
#include <QString>
#include <QWidget>

#include "core/prompter.h"

namespace qv::ui {

// "Description|*.a;*.b|Other|*.c" as a Qt name filter list whose
// patterns match names in any case ("Description (*.a *.[aA] *.[bB]);;...").
QString QtNameFilters(const std::string& filter);

// Qt's own dialog shows each entry by its description alone, as the
// program words it, not followed by the case-blind patterns.
inline constexpr QFileDialog::Options kNameFilterOptions = QFileDialog::HideNameFilterDetails;

// Texts use CR as the line break of a message box; Qt wants LF.
QString MessageText(const std::string& text);

class QtPrompter : public Prompter {
  public:
    explicit QtPrompter(QWidget* parent) : parent_(parent) {}

    void Inform(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text, MessageIcon icon) override;
    bool AskYesCancel(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::vector<std::string> ChooseOpenFiles(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;

  private:
    QWidget* parent_;
};

}  // namespace qv::ui
