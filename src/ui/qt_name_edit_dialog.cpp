#include "ui/qt_name_edit_dialog.h"

#include "ui/edit_name_dialog.h"

namespace qv::ui {

std::optional<std::string> QtNameEditDialog::Edit(const std::string& caption,
                                                  const std::string& current) {
    return RunEditNameDialog(parent_, QString::fromStdString(caption), current);
}

}  // namespace qv::ui
