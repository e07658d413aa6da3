#include "ui/qt_prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "ui/dialog_name_filters.h"
#include "ui/engine_text.h"

namespace qv::ui {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Confirmation:
            return QMessageBox::Question;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

QMessageBox::StandardButton Ask(QWidget* parent, const std::string& text, MessageIcon icon,
                                QMessageBox::StandardButtons buttons) {
    QMessageBox box(BoxIcon(icon), QStringLiteral("Quorvane"), MessageText(text), buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString StartPath(const FileDialogRequest& request) {
    if (request.initialFolder.empty())
        return QString::fromStdString(request.proposedName);
    QDir folder(QString::fromStdString(request.initialFolder));
    return request.proposedName.empty()
               ? folder.path()
               : folder.filePath(QString::fromStdString(request.proposedName));
}

}  // namespace

QString QtNameFilters(const std::string& filter) {
    // The program reads names in either case, but Qt's native dialogs match
    // patterns case-sensitively on Linux: Lap1.Dtb must show beside lap1.dtb.
    return QString::fromStdString(DialogNameFilters(EngineText(filter).toStdString()));
}

QString MessageText(const std::string& text) {
    QString shown = EngineText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace('\r', '\n');
    return shown;
}

void QtPrompter::Inform(const std::string& text, MessageIcon icon) {
    Ask(parent_, text, icon, QMessageBox::Ok);
}

bool QtPrompter::AskYesNo(const std::string& text, MessageIcon icon) {
    return Ask(parent_, text, icon, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompter::AskYesCancel(const std::string& text, MessageIcon icon) {
    return Ask(parent_, text, icon, QMessageBox::Yes | QMessageBox::Cancel) == QMessageBox::Yes;
}

std::optional<std::string> QtPrompter::ChooseOpenFile(const FileDialogRequest& request) {
    const QString path =
        QFileDialog::getOpenFileName(parent_, EngineText(request.title), StartPath(request),
                                     QtNameFilters(request.filter), nullptr, kNameFilterOptions);
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

std::vector<std::string> QtPrompter::ChooseOpenFiles(const FileDialogRequest& request) {
    const QStringList paths =
        QFileDialog::getOpenFileNames(parent_, EngineText(request.title), StartPath(request),
                                      QtNameFilters(request.filter), nullptr, kNameFilterOptions);
    std::vector<std::string> chosen;
    for (const QString& p : paths)
        chosen.push_back(p.toStdString());
    return chosen;
}

std::optional<std::string> QtPrompter::ChooseSaveFile(const FileDialogRequest& request) {
    // The commands ask their own replace question once the extension is
    // settled, so the dialog does not ask first.
    const QString path = QFileDialog::getSaveFileName(
        parent_, EngineText(request.title), StartPath(request), QtNameFilters(request.filter),
        nullptr, kNameFilterOptions | QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

}  // namespace qv::ui
