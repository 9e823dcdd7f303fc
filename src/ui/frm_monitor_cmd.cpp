#include "ui/frm_monitor_cmd.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "link/app_context.h"
#include "terminal/terminal.h"
#include "ui/widgets.h"

namespace vexlan {

// ---- the eye symbol ---------------------------------------------------------------------

eye_symbol::eye_symbol(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setToolTip("Command terminal");
    setFixedSize(sizeHint());
}

QSize eye_symbol::sizeHint() const {
    const int h = fontMetrics().height() + 6;
    return {h * 2, h};
}

void eye_symbol::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    filled_ = true;
    update();
    QTimer::singleShot(100, this, [this] {
        filled_ = false;
        update();
    });
    emit clicked();
}

void eye_symbol::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    QPainterPath outline;
    outline.moveTo(r.left(), r.center().y());
    outline.quadTo(r.center().x(), r.top() - r.height() * 0.6, r.right(), r.center().y());
    outline.quadTo(r.center().x(), r.bottom() + r.height() * 0.6, r.left(), r.center().y());
    p.setPen(QPen(palette().color(QPalette::WindowText), 1.5));
    p.setBrush(filled_ ? palette().color(QPalette::Highlight) : Qt::transparent);
    p.drawPath(outline);
    p.setBrush(palette().color(QPalette::WindowText));
    const double pupil = r.height() * 0.45;
    p.drawEllipse(r.center(), pupil / 2, pupil / 2);
}

// ---- the terminal window ----------------------------------------------------------------

frm_monitor_cmd::frm_monitor_cmd(app_context& ctx, QWidget* main_window)
    : QWidget(main_window, Qt::Window), ctx_(ctx), main_window_(main_window) {
    setObjectName("frm_monitor_cmd");
    setWindowTitle(term_title);
    const QFont fixed = [] {
        QFont f("Courier New");
        f.setStyleHint(QFont::Monospace);
        if (!QFontInfo(f).fixedPitch()) f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        return f;
    }();
    auto* root = new QVBoxLayout(this);
    rtxt_monitor_ = new QPlainTextEdit(this);
    rtxt_monitor_->setObjectName("rtxt_monitor");
    rtxt_monitor_->setReadOnly(true);  // plain text: a "<" from the unit is never markup
    rtxt_monitor_->setFont(fixed);
    rtxt_monitor_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    root->addWidget(rtxt_monitor_, 1);

    auto* send_row = new QHBoxLayout;
    txt_tx_str_ = new QLineEdit(this);
    txt_tx_str_->setObjectName("txt_tx_str");
    txt_tx_str_->setFont(fixed);
    txt_tx_str_->installEventFilter(this);
    connect(txt_tx_str_, &QLineEdit::textEdited, this,
            [this](const QString& t) { ctx_.terminal.txt_tx_str.caption = latin1(t); });
    connect(txt_tx_str_, &QLineEdit::returnPressed, this, [this] { cmd_tx_str_click(ctx_); });
    send_row->addWidget(txt_tx_str_, 1);
    cmd_tx_str_ = new QPushButton(this);
    cmd_tx_str_->setObjectName("cmd_tx_str");
    connect(cmd_tx_str_, &QPushButton::clicked, this, [this] { cmd_tx_str_click(ctx_); });
    send_row->addWidget(cmd_tx_str_);
    cmd_pause_ = new QPushButton(this);
    cmd_pause_->setObjectName("cmd_pause");
    cmd_pause_->setAutoFillBackground(true);
    connect(cmd_pause_, &QPushButton::clicked, this, [this] { cmd_pause_click(ctx_); });
    send_row->addWidget(cmd_pause_);
    cmd_clear_ = new QPushButton(this);
    cmd_clear_->setObjectName("cmd_clear");
    connect(cmd_clear_, &QPushButton::clicked, this, [this] { cmd_clear_click(ctx_); });
    send_row->addWidget(cmd_clear_);
    root->addLayout(send_row);

    auto* extras = new QHBoxLayout;
    chk_time_stamps_ = new QCheckBox("Time stamps", this);
    chk_time_stamps_->setObjectName("chk_time_stamps");
    connect(chk_time_stamps_, &QCheckBox::toggled, this, [this](bool on) { ctx_.terminal.time_stamps = on; });
    extras->addWidget(chk_time_stamps_);
    cmd_log_file_ = new QPushButton("Log to file...", this);
    cmd_log_file_->setObjectName("cmd_log_file");
    connect(cmd_log_file_, &QPushButton::clicked, this, [this] {
        if (!ctx_.terminal.log_path.empty()) {
            term_log_to(ctx_, "");
        } else if (ctx_.ports.dialogs) {
            file_dialog_request req;
            req.title = "Log to file";
            req.filter = "Text (*.txt;*.log)|*.txt;*.log|All files (*.*)|*.*";
            req.folder = ctx_.life.app_dir;
            req.file_name = "Vexlan_terminal.log";
            const std::string path = ctx_.ports.dialogs->file_save(req);
            if (!path.empty()) term_log_to(ctx_, path);
        }
        render();
    });
    extras->addWidget(cmd_log_file_);
    cmd_copy_ = new QPushButton("Copy", this);
    cmd_copy_->setObjectName("cmd_copy");
    connect(cmd_copy_, &QPushButton::clicked, rtxt_monitor_, &QPlainTextEdit::copy);
    extras->addWidget(cmd_copy_);
    lab_log_ = new QLabel(this);
    lab_log_->setObjectName("lab_log");
    lab_log_->setTextFormat(Qt::PlainText);
    extras->addWidget(lab_log_, 1);
    root->addLayout(extras);

    resize(fontMetrics().averageCharWidth() * 72, fontMetrics().height() * 30);

    ctx_.terminal.on_change = [this] { render(); };
    ctx_.terminal.on_focus_main = [this] {
        if (main_window_) main_window_->activateWindow();
    };
    ctx_.link.on_term_text = [this] {
        term_text_arrived(ctx_);
        render_text();
    };
    render();
}

frm_monitor_cmd::~frm_monitor_cmd() {
    ctx_.terminal.on_change = nullptr;
    ctx_.terminal.on_focus_main = nullptr;
    ctx_.link.on_term_text = nullptr;
    terminal_close(ctx_);
}

void frm_monitor_cmd::open_beside_main() {
    terminal_open(ctx_);
    const QScreen* s = main_window_ ? main_window_->screen() : screen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
    const QRect main = main_window_ ? main_window_->frameGeometry() : QRect();
    const screen_rect place = term_window_place({main.left(), main.top(), main.width(), main.height()},
                                                frameGeometry().width(), frameGeometry().height(),
                                                {avail.left(), avail.top(), avail.width(), avail.height()});
    move(place.left, place.top);
    shown_ = static_cast<std::size_t>(-1);  // redraw everything
    render_text();
    show();
    raise();
    txt_tx_str_->setFocus();
}

void frm_monitor_cmd::closeEvent(QCloseEvent* e) {
    terminal_close(ctx_);
    e->accept();
}

bool frm_monitor_cmd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txt_tx_str_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            term_history_step(ctx_, key == Qt::Key_Up ? -1 : +1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frm_monitor_cmd::render() {
    const auto& T = ctx_.terminal;
    if (txt_tx_str_->text() != latin1(T.txt_tx_str.caption)) txt_tx_str_->setText(latin1(T.txt_tx_str.caption));
    render_common(txt_tx_str_, T.txt_tx_str);
    render_button(cmd_tx_str_, T.cmd_tx_str);
    render_button(cmd_clear_, T.cmd_clear);
    render_button(cmd_pause_, T.cmd_pause, true);
    chk_time_stamps_->setChecked(T.time_stamps);
    cmd_log_file_->setText(T.log_path.empty() ? "Log to file..." : "Stop log");
    lab_log_->setText(!T.log_error.empty() ? latin1(T.log_error)
                      : T.log_path.empty() ? QString()
                                           : "Logging to " + QString::fromStdString(T.log_path));
    QPalette pal = lab_log_->palette();
    pal.setColor(QPalette::WindowText, T.log_error.empty() ? palette().color(QPalette::WindowText) : to_qcolor(rgb_red));
    lab_log_->setPalette(pal);
}

void frm_monitor_cmd::render_text() {
    const std::string& text = ctx_.link.term_text;
    auto shown = [](const std::string& s, std::size_t from) {
        QString q = latin1(s.substr(from));
        q.remove('\r');  // the visible line breaks are CR LF; "<CR>" itself is text
        return q;
    };
    if (shown_ > text.size()) {
        rtxt_monitor_->setPlainText(shown(text, 0));
    } else if (shown_ < text.size()) {
        QTextCursor c = rtxt_monitor_->textCursor();
        c.movePosition(QTextCursor::End);
        c.insertText(shown(text, shown_));
    }
    shown_ = text.size();
    rtxt_monitor_->moveCursor(QTextCursor::End);
    rtxt_monitor_->verticalScrollBar()->setValue(rtxt_monitor_->verticalScrollBar()->maximum());
}

}  // namespace vexlan
