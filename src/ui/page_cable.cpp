#include "ui/page_cable.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "cable_cec/cable_test.h"
#include "link/app_context.h"
#include "ui/widgets.h"

namespace vexlan {

namespace {

constexpr int twips_per_inch = 1440;

QLabel* plain_label(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);  // texts from the unit are never markup
    if (name) l->setObjectName(name);
    return l;
}


void frame_border(QFrame* f, const rgb& c) {
    f->setStyleSheet(QString("QFrame#%1 { border: 2px solid rgb(%2,%3,%4); }")
                         .arg(f->objectName()).arg(c.r).arg(c.g).arg(c.b));
}

}  // namespace

page_cable::page_cable(app_context& ctx, QWidget* parent) : QFrame(parent), ctx_(ctx) {
    setFrameShape(QFrame::StyledPanel);
    auto* root = new QVBoxLayout(this);

    // run time and level
    auto* choices = new QHBoxLayout;
    choices->addWidget(plain_label("Run Time :", this));
    cbo_cable_time_ = new QComboBox(this);
    cbo_cable_time_->setObjectName("cbo_cable_time");
    for (const char* item : cable_time_items) cbo_cable_time_->addItem(item);
    cbo_cable_time_->setCurrentIndex(-1);
    cbo_cable_time_->installEventFilter(this);
    connect(cbo_cable_time_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!rendering_ && i >= 0) cbo_cable_time_change(ctx_, i);
    });
    choices->addWidget(cbo_cable_time_);
    choices->addSpacing(fontMetrics().averageCharWidth() * 4);
    cmd_cable_level_ = new QPushButton(this);
    cmd_cable_level_->setObjectName("cmd_cable_level");
    connect(cmd_cable_level_, &QPushButton::clicked, this, [this] { cmd_cable_level_click(ctx_); });
    choices->addWidget(cmd_cable_level_);
    lab_cable_level_ = plain_label("", this, "lab_cable_level");
    lab_cable_level_->setMinimumWidth(fontMetrics().horizontalAdvance("STRICT") * 2);
    choices->addWidget(lab_cable_level_);
    choices->addStretch(1);
    root->addLayout(choices);

    // START and STOP in their frames
    auto* actions = new QHBoxLayout;
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    auto make_action = [&](const char* frame_name, const char* label_name, QFrame*& frame, clickable_label*& label) {
        frame = new QFrame(this);
        frame->setObjectName(frame_name);
        auto* l = new QVBoxLayout(frame);
        label = new clickable_label(frame);
        label->setObjectName(label_name);
        label->setTextFormat(Qt::PlainText);
        label->setFont(big);
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        label->setMinimumWidth(QFontMetrics(big).horizontalAdvance("START") * 2);
        l->addWidget(label);
        actions->addWidget(frame);
    };
    make_action("sha_cable_start", "lab_cable_start", sha_cable_start_, lab_cable_start_);
    make_action("sha_cable_stop", "lab_cable_stop", sha_cable_stop_, lab_cable_stop_);
    connect(lab_cable_start_, &clickable_label::clicked, this, [this] {
        if (lab_cable_start_->isEnabled()) lab_cable_start_click(ctx_);
    });
    connect(lab_cable_stop_, &clickable_label::clicked, this, [this] {
        if (lab_cable_stop_->isEnabled()) lab_cable_stop_click(ctx_);
    });
    actions->addStretch(1);
    root->addLayout(actions);

    // elapsed counters
    auto* counters = new QHBoxLayout;
    lab_cable_time_ = plain_label("", this, "lab_cable_time");
    counters->addWidget(lab_cable_time_);
    auto counter = [&](const char* name) {
        auto* l = plain_label("", this, name);
        l->setFont(big);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(QFontMetrics(big).horizontalAdvance("000"));
        return l;
    };
    lab_cable_day_ = counter("lab_cable_day");
    lab_cable_hour_ = counter("lab_cable_hour");
    lab_cable_minute_ = counter("lab_cable_minute");
    lab_cable_second_ = counter("lab_cable_second");
    counters->addWidget(lab_cable_day_);
    counters->addWidget(plain_label("d", this));
    counters->addWidget(lab_cable_hour_);
    counters->addWidget(plain_label(":", this));
    counters->addWidget(lab_cable_minute_);
    counters->addWidget(plain_label(":", this));
    counters->addWidget(lab_cable_second_);
    counters->addStretch(1);
    root->addLayout(counters);

    // progress bar, arrow, result
    pbar_cable_ = new QProgressBar(this);
    pbar_cable_->setObjectName("pbar_cable");
    pbar_cable_->setRange(0, 100);
    auto p = pbar_cable_->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    pbar_cable_->setSizePolicy(p);
    root->addWidget(pbar_cable_);
    arrow_track_ = new QWidget(this);
    arrow_track_->setObjectName("arrow_track");
    arrow_track_->setMinimumHeight(QFontMetrics(big).height() + 4);
    img_cable_arrow_ = plain_label(QString::fromUtf8("\xe2\x9e\x9c"), arrow_track_, "img_cable_arrow");  // heavy arrow
    img_cable_arrow_->setFont(big);
    root->addWidget(arrow_track_);
    QFont result_font = big;
    result_font.setPointSizeF(big.pointSizeF() * 1.5);
    lab_cable_result_ = plain_label("", this, "lab_cable_result");
    lab_cable_result_->setFont(result_font);
    lab_cable_result_->setAlignment(Qt::AlignCenter);
    root->addWidget(lab_cable_result_);
    root->addStretch(1);

    ctx_.cable.on_change = [this] { render(); };
    render();
}

page_cable::~page_cable() { ctx_.cable.on_change = nullptr; }

int page_cable::twips_to_px(int twips) const { return static_cast<int>(std::lround(twips * logicalDpiX() / double(twips_per_inch))); }
int page_cable::px_to_twips(int px) const { return static_cast<int>(std::lround(px * double(twips_per_inch) / logicalDpiX())); }

bool page_cable::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cbo_cable_time_) {
        if (event->type() == QEvent::FocusIn) ctx_.cable.cbo_cable_focused = true;
        if (event->type() == QEvent::FocusOut) ctx_.cable.cbo_cable_focused = false;
    }
    return QFrame::eventFilter(watched, event);
}

void page_cable::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    ctx_.cable.frame_width = px_to_twips(arrow_track_->width());
    ctx_.cable.arrow_width = px_to_twips(img_cable_arrow_->sizeHint().width());
}

void page_cable::render() {
    const auto& C = ctx_.cable;
    rendering_ = true;
    {
        QSignalBlocker block(cbo_cable_time_);
        if (cbo_cable_time_->currentIndex() != C.cbo_cable_time_index) cbo_cable_time_->setCurrentIndex(C.cbo_cable_time_index);
        render_common(cbo_cable_time_, C.cbo_cable_time);
    }
    render_button(cmd_cable_level_, C.cmd_cable_level);
    render_label(lab_cable_level_, C.lab_cable_level);
    render_label(lab_cable_start_, C.lab_cable_start);
    render_label(lab_cable_stop_, C.lab_cable_stop);
    frame_border(sha_cable_start_, C.sha_cable_start);
    frame_border(sha_cable_stop_, C.sha_cable_stop);
    render_label(lab_cable_time_, C.lab_cable_time);
    render_label(lab_cable_day_, C.lab_cable_day);
    render_label(lab_cable_hour_, C.lab_cable_hour);
    render_label(lab_cable_minute_, C.lab_cable_minute);
    render_label(lab_cable_second_, C.lab_cable_second);
    render_common(pbar_cable_, C.pbar_cable);
    pbar_cable_->setValue(static_cast<int>(C.pbar_value));
    render_label(lab_cable_result_, C.lab_cable_result);
    img_cable_arrow_->setVisible(C.img_cable_arrow.visible);
    img_cable_arrow_->move(twips_to_px(C.arrow_left), 0);
    rendering_ = false;
}

}  // namespace vexlan
