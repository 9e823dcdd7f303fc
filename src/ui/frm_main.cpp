#include "ui/frm_main.h"

#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "link/app_context.h"
#include "link/lifecycle.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "link/unit_link.h"
#include "terminal/terminal.h"
#include "ui/discovery_list.h"
#include "ui/frm_device.h"
#include "ui/frm_monitor_cmd.h"
#include "ui/page_cable.h"
#include "ui/page_cec.h"
#include "ui/main_runtime.h"
#include "ui/page_edid.h"
#include "ui/page_output.h"
#include "ui/page_panel.h"
#include "ui/page_monitor.h"
#include "ui/widgets.h"

namespace vexlan {

namespace {

constexpr int twips_per_inch = 1440;

// A button as wide as the longest of its captions (the style's minimum width is too generous for
// the link area).
void fit_text(QPushButton* b, std::initializer_list<const char*> captions) {
    int w = 0;
    for (const char* c : captions) w = std::max(w, b->fontMetrics().horizontalAdvance(c));
    b->setFixedWidth(w + b->fontMetrics().averageCharWidth() * 3);
}

// Edge of the task and refresh images: 48 pixels at 96 dots per inch.
constexpr int image_twips = 720;

// Keeps a widget's place in its layout while it is hidden, so that the rows do not jump.
void keep_place(QWidget* w) {
    auto p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

frm_main::frm_main(main_runtime& rt, QWidget* parent) : QWidget(parent), rt_(rt), ctx_(rt.ctx), dialogs_(this) {
    setObjectName("frm_main");
    if (!ctx_.ports.dialogs) ctx_.ports.dialogs = &dialogs_;
    frm_device_ = new frm_device(rt_.port_map, this);
    frm_device_->on_reloaded = [this] { render_com_items(); };
    build();

    auto& V = ctx_.view;
    V.on_change = [this] { render(); };
    V.on_catalogue = [this] { render_catalogue(); };
    V.on_focus = [this](focus_target t) { focus_to(static_cast<int>(t)); };
    ctx_.link.on_link_caption = [this] { render_link_caption(); };
    ctx_.link.on_busy_bar = [this] { render_busy_bar(); };
    ctx_.life.close_windows = [this] {
        if (frm_device_) frm_device_->hide();
        if (frm_monitor_cmd_) frm_monitor_cmd_->close();
    };
}

frm_main::~frm_main() {
    // The context outlives the window: no more calls into it.
    auto& V = ctx_.view;
    V.on_change = nullptr;
    V.on_catalogue = nullptr;
    V.on_focus = nullptr;
    ctx_.link.on_link_caption = nullptr;
    ctx_.link.on_busy_bar = nullptr;
    ctx_.life.close_windows = nullptr;
    if (ctx_.ports.dialogs == &dialogs_) ctx_.ports.dialogs = nullptr;
}

app_context& frm_main::context() { return ctx_; }

frm_monitor_cmd* frm_main::terminal_window() {
    if (!frm_monitor_cmd_) frm_monitor_cmd_ = new frm_monitor_cmd(ctx_, this);
    return frm_monitor_cmd_;
}

void frm_main::lab_monitor_eye_cmd_click() {
    if (!ctx_.terminal.loaded) {
        terminal_window()->open_beside_main();
    } else {
        terminal_close(ctx_);
        if (frm_monitor_cmd_) frm_monitor_cmd_->hide();
    }
}

int frm_main::twips_to_px(int twips) const {
    const QScreen* s = screen();
    const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return static_cast<int>(twips * dpi / twips_per_inch + 0.5);
}

int frm_main::px_to_twips(int px) const {
    const QScreen* s = screen();
    const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return static_cast<int>(px * twips_per_inch / dpi + 0.5);
}

// ---- building --------------------------------------------------------------------------

void frm_main::build() {
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(build_link_area(), 1);
    top->addWidget(build_images(), 0, Qt::AlignTop);
    root->addLayout(top);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (int i = 0; i < main_page_count; ++i) {
        auto* b = new QPushButton(latin1(ctx_.view.cmd_main[static_cast<std::size_t>(i)].caption), this);
        b->setObjectName(QString("cmd_main_%1").arg(i));
        b->setAutoFillBackground(true);
        b->setMinimumHeight(fontMetrics().height() * 2);
        connect(b, &QPushButton::clicked, this, [this, i] { cmd_main_click(ctx_, i); });
        cmd_main_[static_cast<std::size_t>(i)] = b;
        buttons->addWidget(b, 1);
    }
    root->addLayout(buttons);
    root->addWidget(build_pages(), 1);
}

QWidget* frm_main::build_link_area() {
    auto& V = ctx_.view;
    fra_ctrl_ui_ = new QGroupBox(latin1(V.fra_ctrl_ui.caption), this);
    fra_ctrl_ui_->setObjectName("fra_ctrl_ui");
    auto* grid = new QVBoxLayout(fra_ctrl_ui_);

    // Row 1: link choice and the controls of the chosen link.
    auto* row = new QHBoxLayout;
    auto* iface = new QComboBox(fra_ctrl_ui_);
    iface->setObjectName("cbo_interface");
    iface->addItems({"RS-232", "Ethernet"});
    connect(iface, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!rendering_ && i >= 0) cbo_interface_change(ctx_, i);
    });
    cbo_interface_ = iface;
    row->addWidget(iface);

    cbo_com_ = new refreshing_combo(fra_ctrl_ui_);
    cbo_com_->setObjectName("cbo_com");
    // narrow in the frame; the open list is as wide as its longest entry
    cbo_com_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbo_com_->setMinimumContentsLength(16);
    cbo_com_->view()->setMinimumWidth(fontMetrics().horizontalAdvance("COM16: (/dev/ttyUSB10)") + 32);
    cbo_com_->before_popup = [this] {
        rt_.port_map.refresh();
        render_com_items();
    };
    connect(cbo_com_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!rendering_ && i >= 0) cbo_com_change(ctx_, i);
    });
    row->addWidget(cbo_com_);

    cmd_rs232_open_ = new QPushButton(fra_ctrl_ui_);
    cmd_rs232_open_->setObjectName("cmd_rs232_open");
    cmd_rs232_open_->setAutoFillBackground(true);
    fit_text(cmd_rs232_open_, {"Open", "Close"});
    connect(cmd_rs232_open_, &QPushButton::clicked, this, [this] { cmd_rs232_open_click(ctx_); });
    row->addWidget(cmd_rs232_open_);

    lab_rs232_protocol_ = new QLabel(fra_ctrl_ui_);
    lab_rs232_protocol_->setObjectName("lab_rs232_protocol");
    row->addWidget(lab_rs232_protocol_);


    lab_ip_ = new QLabel(fra_ctrl_ui_);
    lab_ip_->setObjectName("lab_ip");
    row->addWidget(lab_ip_);
    txt_eth_ip_ = new QLineEdit(fra_ctrl_ui_);
    txt_eth_ip_->setObjectName("txt_eth_ip");
    txt_eth_ip_->setFixedWidth(fontMetrics().horizontalAdvance("255.255.255.255") + 16);
    connect(txt_eth_ip_, &QLineEdit::textEdited, this,
            [this](const QString& t) { ctx_.view.txt_eth_ip.caption = latin1(t); });
    connect(txt_eth_ip_, &QLineEdit::returnPressed, this, [this] { txt_eth_ip_enter(ctx_); });
    row->addWidget(txt_eth_ip_);
    cmd_eth_open_ = new QPushButton(fra_ctrl_ui_);
    cmd_eth_open_->setObjectName("cmd_eth_open");
    cmd_eth_open_->setAutoFillBackground(true);
    fit_text(cmd_eth_open_, {"Connect", "Disconnect"});
    connect(cmd_eth_open_, &QPushButton::clicked, this, [this] { cmd_eth_open_click(ctx_); });
    row->addWidget(cmd_eth_open_);
    row->addStretch(1);
    grid->addLayout(row);

    // Row 2: link status, model, firmware, busy indicator.
    auto* status = new QHBoxLayout;
    lab_link_ = new clickable_label(fra_ctrl_ui_);
    lab_link_->setObjectName("lab_link");
    lab_link_->setCursor(Qt::PointingHandCursor);
    lab_link_->setFrameShape(QFrame::StyledPanel);
    lab_link_->setMinimumWidth(fontMetrics().horizontalAdvance("No response") + 24);
    lab_link_->setAlignment(Qt::AlignCenter);
    QFont bold = lab_link_->font();
    bold.setBold(true);
    lab_link_->setFont(bold);
    lab_link_->setToolTip("Click to link the unit");
    connect(lab_link_, &clickable_label::clicked, this, [this] { lab_link_click(ctx_); });
    status->addWidget(lab_link_);
    lab_model_ = new QLabel(fra_ctrl_ui_);
    lab_model_->setObjectName("lab_model");
    lab_model_->setMinimumWidth(fontMetrics().horizontalAdvance("Pattern Gen.L .") + 8);
    status->addWidget(lab_model_);
    lab_fw_ver_ = new QLabel(fra_ctrl_ui_);
    lab_fw_ver_->setObjectName("lab_fw_ver");
    status->addWidget(lab_fw_ver_);
    busy_bar_ = new busy_bar_widget(fra_ctrl_ui_);
    busy_bar_->setObjectName("busy_bar");
    status->addWidget(busy_bar_);
    status->addStretch(1);
    cmd_device_ = new QPushButton(fra_ctrl_ui_);
    cmd_device_->setObjectName("cmd_device");
    fit_text(cmd_device_, {"Device Manager"});
    connect(cmd_device_, &QPushButton::clicked, this, [this] {
        frm_device_->reload();
        frm_device_->show();
        frm_device_->raise();
    });
    status->addWidget(cmd_device_);
    cmd_eth_find_ = new QPushButton(fra_ctrl_ui_);
    cmd_eth_find_->setObjectName("cmd_eth_find");
    fit_text(cmd_eth_find_, {"Find IP"});
    connect(cmd_eth_find_, &QPushButton::clicked, this, [this] { hook_call(ctx_.hooks.eth_find_click); });
    status->addWidget(cmd_eth_find_);
    cmd_eth_refresh_ = new QPushButton(fra_ctrl_ui_);
    cmd_eth_refresh_->setObjectName("cmd_eth_refresh");
    fit_text(cmd_eth_refresh_, {"Refresh"});
    connect(cmd_eth_refresh_, &QPushButton::clicked, this, [this] { hook_call(ctx_.hooks.eth_refresh_click); });
    status->addWidget(cmd_eth_refresh_);
    lab_monitor_eye_cmd_ = new eye_symbol(fra_ctrl_ui_);
    lab_monitor_eye_cmd_->setObjectName("lab_monitor_eye_cmd");
    connect(lab_monitor_eye_cmd_, &eye_symbol::clicked, this, [this] { lab_monitor_eye_cmd_click(); });
    status->addWidget(lab_monitor_eye_cmd_);
    grid->addLayout(status);

    // The discovery list (shown by "Find IP").
    fra_discovery_ = new QGroupBox("List", fra_ctrl_ui_);
    fra_discovery_->setObjectName("fra_discovery");
    auto* dl = new QVBoxLayout(fra_discovery_);
    discovery_list_ = new discovery_list(ctx_, fra_discovery_);
    dl->addWidget(discovery_list_);
    fra_discovery_->hide();
    grid->addWidget(fra_discovery_);
    return fra_ctrl_ui_;
}

QWidget* frm_main::build_images() {
    auto* box = new QWidget(this);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(4, 8, 0, 0);
    row->setSpacing(6);
    auto make = [&](const char* name, const char* tip, auto on_click) {
        auto* l = new clickable_label(box);
        l->setObjectName(name);
        l->setToolTip(tip);
        l->setCursor(Qt::PointingHandCursor);
        l->setAlignment(Qt::AlignCenter);
        l->setFixedSize(twips_to_px(image_twips) + 4, twips_to_px(image_twips) + 4);
        keep_place(l);
        connect(l, &clickable_label::clicked, this, on_click);
        row->addWidget(l);
        return l;
    };
    img_analyser_ = make("img_analyser", "Analyser", [this] { cmd_task_mode_set(ctx_, "analyser"); });
    img_pattern_ = make("img_pattern", "Pattern generator", [this] { cmd_task_mode_set(ctx_, "pattern"); });
    img_cable_test_ = make("img_cable_test", "Cable tester", [this] { cmd_task_mode_set(ctx_, "cable"); });
    row->addSpacing(fontMetrics().averageCharWidth() * 2);
    img_refresh_ = make("img_refresh", "Refresh", [this] { refresh_action(ctx_); });
    return box;
}

QWidget* frm_main::build_placeholder(int page) {
    auto* w = new QFrame(this);
    w->setFrameShape(QFrame::StyledPanel);
    auto* l = new QVBoxLayout(w);
    auto* caption = new QLabel(latin1(ctx_.view.cmd_main[static_cast<std::size_t>(page)].caption), w);
    QFont f = caption->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    caption->setFont(f);
    caption->setAlignment(Qt::AlignCenter);
    caption->setEnabled(false);
    l->addWidget(caption);
    return w;
}

QWidget* frm_main::build_pages() {
    pages_ = new QStackedWidget(this);
    pages_->setObjectName("fra_pages");
    pages_->setFocusPolicy(Qt::ClickFocus);

    logo_ = new QFrame(pages_);
    static_cast<QFrame*>(logo_)->setFrameShape(QFrame::StyledPanel);
    auto* ll = new QVBoxLayout(logo_);
    auto* title = new QLabel(app_title, logo_);
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 2.4);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    title->setEnabled(false);
    ll->addWidget(title);
    pages_->addWidget(logo_);

    for (int i = 0; i < main_page_count; ++i) {
        QWidget* p = i == 0   ? (page_edid_ = new page_edid(ctx_, this))
                     : i == 1 ? (page_timing_ = new page_output(ctx_, true, this))
                     : i == 2 ? (page_pattern_ = new page_output(ctx_, false, this))
                     : i == 3 ? (page_panel_ = new page_panel(ctx_, this))
                     : i == 4 ? static_cast<QWidget*>(new page_monitor(ctx_, pages_))
                     : i == 5 ? static_cast<QWidget*>(new page_cable(ctx_, this))
                     : i == 6 ? static_cast<QWidget*>(new page_cec(ctx_, this))
                              : build_placeholder(i);
        p->setObjectName(QString("fra_main_%1").arg(i));
        fra_main_[static_cast<std::size_t>(i)] = p;
        pages_->addWidget(p);
    }
    blank_ = new QWidget(pages_);
    pages_->addWidget(blank_);
    return pages_;
}

// ---- start-up and close ---------------------------------------------------------------

void frm_main::start() {
    const QScreen* s = screen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
    screen_twips sc;
    sc.width = px_to_twips(avail.width());
    sc.height = px_to_twips(avail.height());
    main_load(ctx_, sc);

    resize(twips_to_px(main_window_width), twips_to_px(main_window_height));
    move(avail.topLeft() + QPoint(twips_to_px(ctx_.life.window.left), twips_to_px(ctx_.life.window.top)));
    render();
    render_catalogue();
    render_link_caption();
    show();
    main_load_done(ctx_);
}

void frm_main::closeEvent(QCloseEvent* e) {
    if (!unloaded_) {
        unloaded_ = true;
        const QScreen* s = screen();
        const QPoint origin = s ? s->availableGeometry().topLeft() : QPoint();
        const auto errors = main_unload(ctx_, px_to_twips(x() - origin.x()), px_to_twips(y() - origin.y()));
        if (on_close_errors) {
            on_close_errors(errors);
        } else {
            for (const auto& err : errors) std::fprintf(stderr, "vexlan: not saved: %s\n", err.c_str());
        }
    }
    e->accept();
}

// ---- rendering -------------------------------------------------------------------------

QPixmap frm_main::picture(const std::string& name) {
    auto it = pictures_.find(name);
    if (it != pictures_.end()) return it->second;
    QPixmap p(QString::fromStdString(ctx_.life.app_dir + "/bmp/" + name));
    if (!p.isNull()) {
        // drawn at the image size, with the screen's pixels where it has more than one per unit
        const qreal ratio = devicePixelRatioF();
        const int edge = static_cast<int>(twips_to_px(image_twips) * ratio + 0.5);
        p = p.scaled(edge, edge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.setDevicePixelRatio(ratio);
    }
    pictures_[name] = p;
    return p;
}

void frm_main::render_image(clickable_label* label, const std::string& name, bool enabled, bool visible) {
    const QPixmap p = picture(name);
    if (p.isNull()) label->setText(QString::fromStdString(name));
    else label->setPixmap(p);
    label->setEnabled(enabled);
    if (label->isVisibleTo(this) != visible) label->setVisible(visible);
}

void frm_main::render_com_items() {
    const auto& items = ctx_.view.cbo_com_items;
    QSignalBlocker block(cbo_com_);
    const bool was = rendering_;
    rendering_ = true;
    if (cbo_com_->count() != static_cast<int>(items.size())) {
        cbo_com_->clear();
        for (std::size_t i = 0; i < items.size(); ++i) cbo_com_->addItem(QString());
    }
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const std::string device = rt_.port_map.device_for(i + 1);
        QString text = latin1(items[static_cast<std::size_t>(i)]);
        if (!device.empty()) text += " (" + QString::fromStdString(device) + ")";
        cbo_com_->setItemText(i, text);
        cbo_com_->setItemData(i, device.empty() ? QString("No serial device for this port")
                                                : "Opens " + QString::fromStdString(device),
                              Qt::ToolTipRole);
    }
    rendering_ = was;
}

void frm_main::render_link_caption() {
    render_label(lab_link_, ctx_.link.lab_link);
    lab_link_->setToolTip("Click to link the unit");
}

void frm_main::render_busy_bar() {
    busy_bar_->set_state(ctx_.link.busy_bar.visible, ctx_.link.busy_bar.left);
    if (page_edid_) page_edid_->render_busy();
}

void frm_main::render() {
    const auto& V = ctx_.view;
    const bool was = rendering_;
    rendering_ = true;
    if (windowTitle() != latin1(V.title)) setWindowTitle(latin1(V.title));
    fra_ctrl_ui_->setTitle(latin1(V.fra_ctrl_ui.caption));

    auto* iface = static_cast<QComboBox*>(cbo_interface_);
    {
        QSignalBlocker block(iface);
        if (iface->count() != static_cast<int>(V.cbo_interface_items.size()) && !V.cbo_interface_items.empty()) {
            iface->clear();
            for (const auto& s : V.cbo_interface_items) iface->addItem(latin1(s));
        }
        iface->setCurrentIndex(V.cbo_interface_index);
        render_common(iface, V.cbo_interface);
    }
    {
        render_com_items();
        QSignalBlocker block(cbo_com_);
        if (V.cbo_com_index >= 0 && V.cbo_com_index < cbo_com_->count()) cbo_com_->setCurrentIndex(V.cbo_com_index);
        render_common(cbo_com_, V.cbo_com);
        const std::string device = rt_.port_map.device_for(V.cbo_com_index + 1);
        cbo_com_->setToolTip(device.empty() ? QString("No serial device for this port")
                                            : "Opens " + QString::fromStdString(device));
    }
    render_button(cmd_rs232_open_, V.cmd_rs232_open, true);
    render_label(lab_rs232_protocol_, V.lab_rs232_protocol);
    render_button(cmd_device_, V.cmd_device);
    render_label(lab_ip_, V.lab_ip);
    render_common(txt_eth_ip_, V.txt_eth_ip);
    if (txt_eth_ip_->text() != latin1(V.txt_eth_ip.caption)) txt_eth_ip_->setText(latin1(V.txt_eth_ip.caption));
    render_button(cmd_eth_open_, V.cmd_eth_open, true);
    render_button(cmd_eth_find_, V.cmd_eth_find);
    render_button(cmd_eth_refresh_, V.cmd_eth_refresh);
    render_common(fra_discovery_, V.fra_discovery);
    render_label(lab_model_, V.lab_model);
    render_label(lab_fw_ver_, V.lab_fw_ver);

    render_image(img_analyser_, V.img_analyser.picture, V.img_analyser.enabled, V.img_analyser.visible);
    render_image(img_pattern_, V.img_pattern.picture, V.img_pattern.enabled, V.img_pattern.visible);
    render_image(img_cable_test_, V.img_cable_test.picture, V.img_cable_test.enabled, V.img_cable_test.visible);
    render_image(img_refresh_, V.img_refresh.picture, V.img_refresh.enabled, V.img_refresh.visible);

    for (int i = 0; i < main_page_count; ++i) render_button(cmd_main_[static_cast<std::size_t>(i)], V.cmd_main[static_cast<std::size_t>(i)], true);
    QWidget* shown = nullptr;
    for (int i = 0; i < main_page_count && !shown; ++i)
        if (V.fra_main[static_cast<std::size_t>(i)].visible) shown = fra_main_[static_cast<std::size_t>(i)];
    if (!shown) shown = V.img_logo_visible ? logo_ : blank_;
    if (pages_->currentWidget() != shown) pages_->setCurrentWidget(shown);
    page_timing_->list_set_visible(V.lstv_timing.visible);
    page_pattern_->list_set_visible(V.lstv_pattern.visible);

    if (page_edid_) page_edid_->render();
    render_link_caption();
    render_busy_bar();
    rendering_ = was;
}

void frm_main::render_catalogue() {
    page_timing_->catalogue_render();
    page_pattern_->catalogue_render();
}

void frm_main::focus_to(int target) {
    if (target == static_cast<int>(focus_target::txt_eth_ip)) txt_eth_ip_->setFocus();
    else pages_->setFocus();
}

}  // namespace vexlan
