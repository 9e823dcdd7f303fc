// Page 3 of the main window: the output control panel, one row of buttons per setting with its
// caption, and the factory reset and reboot buttons. Renders the context's panel state and
// forwards clicks.
#pragma once

#include <QFrame>
#include <array>
#include <vector>

class QLabel;
class QPushButton;

namespace vexlan {

struct app_context;

class page_panel : public QFrame {
    Q_OBJECT
public:
    explicit page_panel(app_context& ctx, QWidget* parent = nullptr);
    ~page_panel() override;
    void render();

private:
    app_context& ctx_;
    std::array<QPushButton*, 61> cmd_panel_{};
    std::vector<QLabel*> row_captions_;
};

}  // namespace vexlan
