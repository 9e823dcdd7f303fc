#include "ui/page_output.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "link/app_context.h"
#include "ui/frm_color_calibrate.h"
#include "ui/widgets.h"

namespace vexlan {

page_output::page_output(app_context& ctx, bool timing, QWidget* parent) : QFrame(parent), ctx_(ctx), timing_(timing) {
    setFrameShape(QFrame::StyledPanel);
    build();
    // both pages render on every change of the output state
    auto before = std::move(ctx_.output.on_change);
    ctx_.output.on_change = [this, before] {
        if (before) before();
        render();
    };
}

page_output::~page_output() { ctx_.output.on_change = nullptr; }

void page_output::build() {
    auto* row = new QHBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setObjectName(timing_ ? "lstv_timing" : "lstv_pattern");
    list_->setHeaderLabels({timing_ ? "Timings" : "Patterns"});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setMinimumWidth(fontMetrics().averageCharWidth() * 28);
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* it, int) { item_changed(it); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* it, int) {
        if (rendering_) return;
        if (timing_) lstv_timing_dbl_click(ctx_, position_of(it));
        else lstv_pattern_dbl_click(ctx_, position_of(it));
    });
    if (!timing_)
        connect(list_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* it, int) {
            if (!rendering_) lstv_pattern_click(ctx_, position_of(it));
        });
    row->addWidget(list_, 2);

    auto* side = new QVBoxLayout;
    auto* now = new QHBoxLayout;
    auto* now_t = new QLabel(timing_ ? "Now Output Resolution =" : "Now Output Pattern =", this);
    now_t->setObjectName(timing_ ? "lab_reso_out_now_t" : "lab_pat_out_now_t");
    now->addWidget(now_t);
    lab_out_now_ = new QLabel(this);
    lab_out_now_->setObjectName(timing_ ? "lab_reso_out_now" : "lab_pat_out_now");
    now->addWidget(lab_out_now_, 1);
    side->addLayout(now);
    side->addSpacing(fontMetrics().height() / 2);
    auto* fav_t = new QLabel(timing_ ? "Favorite Timings :" : "Favorite Patterns :", this);
    fav_t->setObjectName(timing_ ? "lab_fav_timing" : "lab_fav_pattern");
    side->addWidget(fav_t);

    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    for (int j = 0; j < fav_slot_count; ++j) {
        auto* b = new elided_button(this);
        b->setObjectName(QString(timing_ ? "cmd_timing_%1" : "cmd_pattern_%1").arg(j));
        b->setAutoFillBackground(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(b, &QPushButton::clicked, this, [this, j] {
            if (timing_) cmd_timing_click(ctx_, j);
            else cmd_pattern_click(ctx_, j);
        });
        cmd_fav_[static_cast<std::size_t>(j)] = b;
        grid->addWidget(b, j / 3, j % 3);
    }
    side->addLayout(grid);
    auto* none_row = new QHBoxLayout;
    cmd_check_none_ = new QPushButton("Check None", this);
    cmd_check_none_->setObjectName(timing_ ? "cmd_check_v_none" : "cmd_check_p_none");
    connect(cmd_check_none_, &QPushButton::clicked, this, [this] {
        if (timing_) cmd_check_v_none_click(ctx_);
        else cmd_check_p_none_click(ctx_);
    });
    none_row->addWidget(cmd_check_none_);
    none_row->addStretch(1);
    side->addLayout(none_row);
    auto* prompt = new QLabel(timing_ ? lab_prompt_v_text : lab_prompt_p_text, this);
    prompt->setObjectName(timing_ ? "lab_prompt_v" : "lab_prompt_p");
    prompt->setWordWrap(true);
    side->addWidget(prompt);

    if (timing_) {
        fra_reso_out_m41l_ = new QGroupBox(this);
        fra_reso_out_m41l_->setObjectName("fra_reso_out_m41l");
        auto* fl = new QVBoxLayout(fra_reso_out_m41l_);
        auto* lab = new QLabel("4K to 1080P Down Scaling :", fra_reso_out_m41l_);
        lab->setObjectName("lab_4k_to_1080p");
        fl->addWidget(lab);
        auto* group = new QButtonGroup(fra_reso_out_m41l_);
        group->setExclusive(false);  // "none chosen" must be shown too; the core keeps one
        for (int i = 0; i < 3; ++i) {
            auto* o = new QRadioButton(opt_4k_captions[static_cast<std::size_t>(i)], fra_reso_out_m41l_);
            o->setObjectName(QString("opt_4k_to_1080p_%1").arg(i));
            o->setAutoExclusive(false);
            connect(o, &QRadioButton::clicked, this, [this, i] {
                if (!rendering_) opt_4k_to_1080p_click(ctx_, i);
                render();
            });
            group->addButton(o, i);
            opt_4k_to_1080p_[static_cast<std::size_t>(i)] = o;
            fl->addWidget(o);
        }
        fra_reso_out_m41l_->hide();
        side->addWidget(fra_reso_out_m41l_);
    } else {
        auto* motion = new QHBoxLayout;
        lab_motion_text_ = new QLabel("Motion Text :", this);
        lab_motion_text_->setObjectName("lab_motion_text");
        motion->addWidget(lab_motion_text_);
        txt_motion_text_ = new QLineEdit(this);
        txt_motion_text_->setObjectName("txt_motion_text");
        txt_motion_text_->setMaxLength(static_cast<int>(motion_text_max));
        connect(txt_motion_text_, &QLineEdit::textEdited, this,
                [this](const QString& t) { ctx_.output.txt_motion_text = latin1(t); });
        connect(txt_motion_text_, &QLineEdit::returnPressed, this, [this] { txt_motion_text_enter(ctx_); });
        motion->addWidget(txt_motion_text_, 1);
        side->addLayout(motion);
        cmd_color_setting_ = new QPushButton("Color Setting", this);
        cmd_color_setting_->setObjectName("cmd_color_setting");
        connect(cmd_color_setting_, &QPushButton::clicked, this, [this] {
            frm_color_calibrate dlg(ctx_, window());
            dlg.run();
        });
        auto* cs = new QHBoxLayout;
        cs->addWidget(cmd_color_setting_);
        cs->addStretch(1);
        side->addLayout(cs);
    }
    side->addStretch(1);
    row->addLayout(side, 3);
}

int page_output::position_of(QTreeWidgetItem* item) const { return item ? list_->indexOfTopLevelItem(item) + 1 : 0; }

void page_output::item_changed(QTreeWidgetItem* item) {
    if (rendering_ || !item) return;  // ticks set by the program run no handler
    const bool checked = item->checkState(0) == Qt::Checked;
    if (timing_) lstv_timing_item_check(ctx_, position_of(item), checked);
    else lstv_pattern_item_check(ctx_, position_of(item), checked);
    render();  // a 19th tick taken back shows unticked again
}

void page_output::catalogue_render() {
    const auto& entries = timing_ ? ctx_.catalogue.timings : ctx_.catalogue.patterns;
    {
        const QSignalBlocker block(list_);
        const bool was = rendering_;
        rendering_ = true;
        list_->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(entries.size()));
        for (const auto& e : entries) {
            auto* it = new QTreeWidgetItem({latin1(e.name)});
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            it->setCheckState(0, e.checked ? Qt::Checked : Qt::Unchecked);
            items << it;
        }
        list_->addTopLevelItems(items);
        rendering_ = was;
    }
    if (timing_) output_catalogue_changed(ctx_);  // once for both pages
    render();
}

void page_output::render() {
    const auto& O = ctx_.output;
    const auto& page = timing_ ? O.timing : O.pattern;
    const auto& entries = timing_ ? ctx_.catalogue.timings : ctx_.catalogue.patterns;
    const bool was = rendering_;
    rendering_ = true;
    {
        const QSignalBlocker block(list_);
        const int n = std::min(list_->topLevelItemCount(), static_cast<int>(entries.size()));
        for (int i = 0; i < n; ++i) {
            auto* it = list_->topLevelItem(i);
            const auto want = entries[static_cast<std::size_t>(i)].checked ? Qt::Checked : Qt::Unchecked;
            if (it->checkState(0) != want) it->setCheckState(0, want);
        }
        QTreeWidgetItem* sel = page.selected >= 1 && page.selected <= n ? list_->topLevelItem(page.selected - 1) : nullptr;
        if (list_->currentItem() != sel) {
            list_->setCurrentItem(sel);
            if (sel) list_->scrollToItem(sel);
        }
        list_->setEnabled(page.list_enabled);
    }
    render_label(lab_out_now_, page.lab_out_now);
    for (int j = 0; j < fav_slot_count; ++j) {
        auto* b = cmd_fav_[static_cast<std::size_t>(j)];
        const auto& v = page.cmd_fav[static_cast<std::size_t>(j)];
        control_view plain = v;
        plain.caption = latin1(b->text());  // the elided button shortens the whole caption itself
        plain.tool_tip = v.caption;         // and shows it whole as its tool tip
        render_button(b, plain, true);
        if (b->full_text() != latin1(v.caption)) b->set_full_text(latin1(v.caption));
    }
    if (timing_) {
        if (fra_reso_out_m41l_->isVisibleTo(this) != O.fra_reso_out_m41l_visible)
            fra_reso_out_m41l_->setVisible(O.fra_reso_out_m41l_visible);
        for (int i = 0; i < 3; ++i) {
            const QSignalBlocker block(opt_4k_to_1080p_[static_cast<std::size_t>(i)]);
            opt_4k_to_1080p_[static_cast<std::size_t>(i)]->setChecked(O.opt_4k_to_1080p == i);
        }
    } else {
        lab_motion_text_->setVisible(O.motion_text_visible);
        txt_motion_text_->setVisible(O.motion_text_visible);
        if (txt_motion_text_->text() != latin1(O.txt_motion_text)) txt_motion_text_->setText(latin1(O.txt_motion_text));
        render_button(cmd_color_setting_, O.cmd_color_setting);
    }
    rendering_ = was;
}

void page_output::list_set_visible(bool on) { list_->setVisible(on); }

}  // namespace vexlan
