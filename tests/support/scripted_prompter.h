#pragma once
// A Prompter that answers from a script and records what it was shown, so a
// test can check every message word for word.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/prompter.h"

namespace qv::test {

class ScriptedPrompter : public Prompter {
  public:
    struct Shown {
        std::string kind;  // "inform", "yesno", "yescancel", "open", "save"
        std::string text;  // message, or dialog title
        MessageIcon icon = MessageIcon::Information;
        FileDialogRequest request;
    };

    // Answers, consumed in order; a question without a scripted answer
    // gets No / Cancel, a dialog without one is cancelled.
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> files;
    std::vector<Shown> shown;

    void Inform(const std::string& text, MessageIcon icon) override {
        shown.push_back({"inform", text, icon, {}});
    }
    bool AskYesNo(const std::string& text, MessageIcon icon) override {
        shown.push_back({"yesno", text, icon, {}});
        return Next();
    }
    bool AskYesCancel(const std::string& text, MessageIcon icon) override {
        shown.push_back({"yescancel", text, icon, {}});
        return Next();
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
        shown.push_back({"open", request.title, MessageIcon::Information, request});
        return NextFile();
    }
    std::vector<std::string> ChooseOpenFiles(const FileDialogRequest& request) override {
        shown.push_back({"open", request.title, MessageIcon::Information, request});
        std::vector<std::string> chosen;
        while (!files.empty() && files.front()) {
            chosen.push_back(*files.front());
            files.pop_front();
        }
        if (!files.empty())
            files.pop_front();
        return chosen;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        shown.push_back({"save", request.title, MessageIcon::Information, request});
        return NextFile();
    }

    // The texts of the messages and questions, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const Shown& s : shown) {
            if (s.kind != "open" && s.kind != "save")
                texts.push_back(s.text);
        }
        return texts;
    }
    // The newest of them, empty when there is none.
    std::string LastMessage() const {
        const std::vector<std::string> texts = Messages();
        return texts.empty() ? std::string() : texts.back();
    }

  private:
    bool Next() {
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> NextFile() {
        if (files.empty())
            return std::nullopt;
        std::optional<std::string> f = files.front();
        files.pop_front();
        return f;
    }
};

}  // namespace qv::test
