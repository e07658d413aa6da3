#pragma once
// The command-line tool's answers to the engine's questions: messages go to
// standard error, questions are answered No (nothing is replaced or
// removed without being asked on purpose), and no file dialog is shown.

#include <ostream>

#include "core/prompter.h"

namespace qv::cli {

class CliPrompter : public Prompter {
  public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

    void Inform(const std::string& text, MessageIcon) override { err_ << Printable(text) << "\n"; }
    bool AskYesNo(const std::string& text, MessageIcon) override {
        err_ << Printable(text) << " -> No\n";
        return false;
    }
    bool AskYesCancel(const std::string& text, MessageIcon) override {
        err_ << Printable(text) << " -> Cancel\n";
        return false;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::vector<std::string> ChooseOpenFiles(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return {}; }

  private:
    // Message texts break lines with a bare CR, which a terminal would
    // use to overwrite the line.
    static std::string Printable(std::string text) {
        for (char& c : text) {
            if (c == '\r')
                c = ' ';
        }
        return text;
    }
    std::ostream& err_;
};

}  // namespace qv::cli
