#include "ui/page_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "link/app_context.h"
#include "ui/widgets.h"

namespace vexlan {

page_panel::page_panel(app_context& ctx, QWidget* parent) : QFrame(parent), ctx_(ctx) {
    setFrameShape(QFrame::StyledPanel);
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    int min_width = 0;
    for (const auto& def : panel_buttons()) min_width = std::max(min_width, fontMetrics().horizontalAdvance(def.caption));
    min_width += fontMetrics().averageCharWidth() * 3;
    const auto& rows = panel_rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        auto* caption = new QLabel(rows[r].caption, this);
        caption->setObjectName(QString("lab_panel_row_%1").arg(r));
        row_captions_.push_back(caption);
        grid->addWidget(caption, static_cast<int>(r), 0);
        int col = 1;
        for (int b : rows[r].buttons) {
            auto* button = new QPushButton(panel_buttons()[static_cast<std::size_t>(b)].caption, this);
            button->setObjectName(QString("cmd_panel_%1").arg(b));
            button->setAutoFillBackground(true);
            button->setMinimumWidth(min_width);
            connect(button, &QPushButton::clicked, this, [this, b] { cmd_panel_Click(ctx_, b); });
            cmd_panel_[static_cast<std::size_t>(b)] = button;
            grid->addWidget(button, static_cast<int>(r), col++);
        }
    }
    grid->setColumnStretch(11, 1);
    outer->addLayout(grid);
    outer->addStretch(1);
    ctx_.panel.on_change = [this] { render(); };
    render();
}

page_panel::~page_panel() { ctx_.panel.on_change = nullptr; }

void page_panel::render() {
    const auto& P = ctx_.panel;
    for (int b = 0; b < panel_button_count; ++b)
        render_button(cmd_panel_[static_cast<std::size_t>(b)], P.cmd_panel[static_cast<std::size_t>(b)], true);
    const auto& rows = panel_rows();
    for (std::size_t r = 0; r < rows.size(); ++r) row_captions_[r]->setVisible(panel_row_visible(P, rows[r]));
}

}  // namespace vexlan
