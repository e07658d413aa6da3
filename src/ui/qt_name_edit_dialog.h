#pragma once
// The engine's name editor as the window's edit-name dialog.

#include <QWidget>

#include "laps/lap_list_commands.h"

namespace qv::ui {

class QtNameEditDialog : public NameEditDialog {
  public:
    explicit QtNameEditDialog(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> Edit(const std::string& caption,
                                    const std::string& current) override;

  private:
    QWidget* parent_;
};

}  // namespace qv::ui
