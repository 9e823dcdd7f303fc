#include "ui/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "link/main_view.h"
#include "ui/widgets.h"

namespace vexlan {

void qt_dialogs::message_box_prepare(QMessageBox& box, const std::string& text, msg_icon icon, msg_buttons buttons,
                                     const std::string& title) {
    box.setWindowTitle(title.empty() ? QString(app_title) : latin1(title));
    box.setText(latin1(text));
    switch (icon) {
    case msg_icon::critical: box.setIcon(QMessageBox::Critical); break;
    case msg_icon::exclamation: box.setIcon(QMessageBox::Warning); break;
    case msg_icon::information: box.setIcon(QMessageBox::Information); break;
    case msg_icon::question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case msg_buttons::ok: box.setStandardButtons(QMessageBox::Ok); break;
    case msg_buttons::yes_no: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case msg_buttons::yes_no_default_no:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case msg_buttons::yes_no_cancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
}

msg_answer qt_dialogs::message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                                   const std::string& title) {
    QMessageBox box(parent_);
    message_box_prepare(box, text, icon, buttons, title);
    switch (box.exec()) {
    case QMessageBox::Yes: return msg_answer::yes;
    case QMessageBox::No: return msg_answer::no;
    case QMessageBox::Cancel: return msg_answer::cancel;
    default: return buttons == msg_buttons::ok ? msg_answer::ok : msg_answer::cancel;
    }
}

QString qt_dialogs::filter_to_qt(const std::string& filter) {
    const QStringList parts = latin1(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns.simplified() + ")";
    }
    return out.join(";;");
}

std::string qt_dialogs::file_dialog(file_dialog_request& req, bool save) {
    QFileDialog dlg(parent_, latin1(req.title));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);  // the caller asks " exists. Overwrite it ?"
    const QStringList filters = filter_to_qt(req.filter).split(";;", Qt::SkipEmptyParts);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int i = req.filter_index >= 1 && req.filter_index <= filters.size() ? req.filter_index - 1 : 0;
        dlg.selectNameFilter(filters[i]);
    }
    if (!req.folder.empty()) dlg.setDirectory(QString::fromStdString(req.folder));
    if (!req.file_name.empty()) dlg.selectFile(QString::fromStdString(req.file_name));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    req.filter_index = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    if (req.filter_index < 1) req.filter_index = 1;
    return dlg.selectedFiles().first().toStdString();
}

std::string qt_dialogs::file_open(file_dialog_request& req) { return file_dialog(req, false); }
std::string qt_dialogs::file_save(file_dialog_request& req) { return file_dialog(req, true); }

}  // namespace vexlan
