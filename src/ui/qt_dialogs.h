// Message boxes and file dialogs of the windowed application.
#pragma once

#include <QWidget>
#include <QPointer>

#include "link/ports.h"

class QMessageBox;

namespace vexlan {

class qt_dialogs : public dialog_port {
public:
    explicit qt_dialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void set_parent(QWidget* parent) { parent_ = parent; }
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons buttons,
                           const std::string& title) override;
    std::string file_open(file_dialog_request& req) override;
    std::string file_save(file_dialog_request& req) override;

    // Sets up `box` as message_box shows it (title, text, icon, buttons); also for pictures.
    static void message_box_prepare(QMessageBox& box, const std::string& text, msg_icon icon, msg_buttons buttons,
                                    const std::string& title);

    // "text|pattern|text|pattern" -> "text (pattern);;text (pattern)", ";" in a pattern list
    // becoming a blank. Exposed for tests.
    static QString filter_to_qt(const std::string& filter);

private:
    std::string file_dialog(file_dialog_request& req, bool save);
    QPointer<QWidget> parent_;
};

}  // namespace vexlan
