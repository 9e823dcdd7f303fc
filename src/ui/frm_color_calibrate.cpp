#include "ui/frm_color_calibrate.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include "link/app_context.h"
#include "ui/widgets.h"

namespace vexlan {

void select_all_edit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    QTimer::singleShot(0, this, [this] { selectAll(); });
}

frm_color_calibrate::frm_color_calibrate(app_context& ctx, QWidget* owner) : QDialog(owner), ctx_(ctx) {
    setObjectName("frm_color_calibrate");
    setWindowTitle("Color Setting");
    setModal(true);
    auto* grid = new QGridLayout(this);
    auto* lab_color = new QLabel("Color", this);
    lab_color->setObjectName("lab_color");
    grid->addWidget(lab_color, 0, 0);
    cbo_color_ = new QComboBox(this);
    cbo_color_->setObjectName("cbo_color");
    for (const char* e : color_cal_entries) cbo_color_->addItem(e);
    connect(cbo_color_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!rendering_ && i >= 0) color_cal_color_choose(ctx_, i);
    });
    grid->addWidget(cbo_color_, 0, 1, 1, 2);

    auto* ends = new QHBoxLayout;
    auto* l1 = new QLabel("0", this);
    l1->setObjectName("Label1");
    auto* l2 = new QLabel("255", this);
    l2->setObjectName("Label2");
    ends->addWidget(l1);
    ends->addStretch(1);
    ends->addWidget(l2);
    grid->addLayout(ends, 1, 1);

    static const char* names[] = {"level", "red", "green", "blue"};
    for (int r = 0; r < color_cal_row_count; ++r) {
        const auto i = static_cast<std::size_t>(r);
        lab_row_[i] = new QLabel(color_cal_row_captions[i], this);
        lab_row_[i]->setObjectName(QString("lab_%1").arg(names[r]));
        hsr_[i] = new QSlider(Qt::Horizontal, this);
        hsr_[i]->setObjectName(QString("hsr_%1").arg(names[r]));
        hsr_[i]->setRange(0, 255);
        hsr_[i]->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
        connect(hsr_[i], &QSlider::valueChanged, this, [this, r](int v) {
            if (!rendering_) color_cal_slider_change(ctx_, r, v);
        });
        txt_[i] = new select_all_edit(this);
        txt_[i]->setObjectName(QString("txt_%1").arg(names[r]));
        txt_[i]->setFixedWidth(fontMetrics().horizontalAdvance("00000") + 12);
        connect(txt_[i], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { ctx_.color_cal.rows[i].box = latin1(t); });
        connect(txt_[i], &QLineEdit::returnPressed, this,
                [this, r, i] { color_cal_box_enter(ctx_, r, latin1(txt_[i]->text())); });
        grid->addWidget(lab_row_[i], r + 2, 0);
        grid->addWidget(hsr_[i], r + 2, 1);
        grid->addWidget(txt_[i], r + 2, 2);
    }
    cmd_refresh_ = new QPushButton("Refresh", this);
    cmd_refresh_->setObjectName("cmd_refresh");
    cmd_refresh_->setAutoDefault(false);
    connect(cmd_refresh_, &QPushButton::clicked, this, [this] { color_cal_refresh(ctx_); });
    grid->addWidget(cmd_refresh_, color_cal_row_count + 2, 2);

    ctx_.color_cal.on_change = [this] { render(); };
}

frm_color_calibrate::~frm_color_calibrate() { ctx_.color_cal.on_change = nullptr; }

void frm_color_calibrate::load() {
    if (auto* owner = parentWidget()) {
        adjustSize();
        const QRect o = owner->frameGeometry();
        move(o.center() - QPoint(width() / 2, height() / 2));
    }
    color_cal_load(ctx_);
    render();
}

int frm_color_calibrate::run() {
    load();
    return exec();
}

void frm_color_calibrate::render() {
    const auto& S = ctx_.color_cal;
    const bool was = rendering_;
    rendering_ = true;
    {
        const QSignalBlocker block(cbo_color_);
        if (cbo_color_->currentIndex() != S.cbo_color) cbo_color_->setCurrentIndex(S.cbo_color);
    }
    for (std::size_t i = 0; i < hsr_.size(); ++i) {
        const auto& R = S.rows[i];
        {
            const QSignalBlocker block(hsr_[i]);
            if (hsr_[i]->value() != R.slider) hsr_[i]->setValue(R.slider);
        }
        if (txt_[i]->text() != latin1(R.box)) txt_[i]->setText(latin1(R.box));
        for (QWidget* w : {static_cast<QWidget*>(lab_row_[i]), static_cast<QWidget*>(hsr_[i]), static_cast<QWidget*>(txt_[i])})
            w->setEnabled(R.enabled);
    }
    if (S.select_box >= 0 && S.select_box < static_cast<int>(txt_.size())) txt_[static_cast<std::size_t>(S.select_box)]->selectAll();
    rendering_ = was;
}

}  // namespace vexlan
