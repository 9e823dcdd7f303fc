#include "ui/page_edid.h"

#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "link/app_context.h"
#include "ui/frm_copy_sink.h"
#include "ui/frm_diag.h"
#include "ui/frm_rx_edid.h"
#include "ui/widgets.h"

namespace vexlan {

namespace {

QFont fixed_font() {
    QFont f("Courier New");
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    if (!QFontInfo(f).fixedPitch()) f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return f;
}

QPixmap tag_pixmap(const QString& text, const QColor& face, int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(face.darker(160));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(h * 5 / 8);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
    return pm;
}

// The write button's picture: an arrow into the unit.
QIcon write_picture() {
    QPixmap pm(44, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 0, 0));
    const QPointF arrow[] = {{2, 7}, {26, 7}, {26, 1}, {42, 11}, {26, 21}, {26, 15}, {2, 15}};
    p.drawPolygon(arrow, 7);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(8);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(2, 7, 24, 8), Qt::AlignCenter, "WR");
    return QIcon(pm);
}

void set_label(QLabel* l, const control_view& v) { render_label(l, v); }

}  // namespace

QIcon edid_slot_picture(int number) {
    if (number == 1) return QIcon(tag_pixmap("S", QColor(200, 100, 0), 28, 18));
    if (number >= 2 && number <= 11) return QIcon(tag_pixmap(QString("D%1").arg(number - 1), QColor(40, 80, 180), 28, 18));
    if (number >= 12 && number <= 21) return QIcon(tag_pixmap(QString("C%1").arg(number - 11), QColor(0, 128, 0), 28, 18));
    return QIcon();
}

page_edid::page_edid(app_context& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    auto* stack = new QGridLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    content_ = new QFrame(this);
    static_cast<QFrame*>(content_)->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(content_);
    row->addWidget(build_side(0), 1);
    row->addWidget(build_side(1), 1);
    stack->addWidget(content_, 0, 0);
    stack->addWidget(build_analyse_frame(), 0, 0);
    fra_edid_analyse_->raise();

    auto& P = ctx_.edid_page;
    P.on_change = [this] { render(); };
    P.show_diag = [this] { show_diag(); };
    P.show_rx_edid = [this] { show_rx_edid(); };
    P.show_copy_sink = [this] { show_copy_sink(); };
    render();
}

page_edid::~page_edid() {
    auto& P = ctx_.edid_page;
    P.on_change = nullptr;
    P.show_diag = nullptr;
    P.show_rx_edid = nullptr;
    P.show_copy_sink = nullptr;
}

// ---- building --------------------------------------------------------------------------

QWidget* page_edid::build_side(int context) {
    const bool rd = context == 0;
    const QString side = rd ? "read" : "write";
    auto& w = rd ? read_ : write_;
    auto* box = new QWidget(content_);
    auto* col = new QVBoxLayout(box);
    col->setContentsMargins(2, 2, 2, 2);

    auto* head = new QHBoxLayout;
    head->addWidget(new QLabel(rd ? "READ from:" : "WRITE to:", box));
    w.list = new QComboBox(box);
    w.list->setObjectName("imgcbo_" + side);
    w.list->setMinimumContentsLength(18);
    const int items = rd ? edid_read_item_count : edid_write_item_count;
    for (int i = 1; i <= items; ++i) {
        const int picture = i <= 2 ? 1 : rd ? i - 1 : i + 9;
        w.list->addItem(edid_slot_picture(picture), QString());
    }
    connect(w.list, &QComboBox::activated, this, [this, rd](int i) {
        if (rendering_) return;
        if (rd) edid_read_list_choose(ctx_, i + 1);
        else edid_write_list_choose(ctx_, i + 1);
    });
    head->addWidget(w.list, 1);
    col->addLayout(head);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    auto& P = ctx_.edid_page;
    const std::vector<int> shown = rd ? std::vector<int>{0, 1, 2, 3, 4, 6, 7} : std::vector<int>{0, 1, 4, 6, 7, 9, 10};
    for (int i : shown) {
        auto* b = new QPushButton(latin1(rd ? P.cmd_read[static_cast<std::size_t>(i)].caption
                                            : P.cmd_write[static_cast<std::size_t>(i)].caption),
                                  box);
        b->setObjectName(QString("cmd_%1_%2").arg(side).arg(i));
        connect(b, &QPushButton::clicked, this, [this, rd, i] {
            auto& c = ctx_;
            if (rd) {
                switch (i) {
                case 0: edid_read_click(c); break;
                case 1: edid_compare(c); break;
                case 2: edid_copy_to_write(c); break;
                case 3: edid_copy_dialog_click(c); break;
                case 4: edid_analyze_click(c, 0); break;
                case 6: edid_file_save(c, 0); break;
                case 7: edid_read_clear(c); break;
                default: break;
                }
            } else {
                switch (i) {
                case 0: edid_pre_f_toggle(c); break;
                case 1: edid_file_open(c); break;
                case 4: edid_write_click(c); break;
                case 6: edid_rx_dialog_click(c); break;
                case 7: edid_analyze_click(c, 1); break;
                case 9: edid_file_save(c, 1); break;
                case 10: edid_write_clear(c); break;
                default: break;
                }
            }
        });
        if (!rd && i == 4) {
            b->setIcon(write_picture());
            b->setIconSize(QSize(44, 22));
        }
        (rd ? cmd_read_[static_cast<std::size_t>(i)] : cmd_write_[static_cast<std::size_t>(i)]) = b;
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    col->addLayout(buttons);

    if (!rd) {
        auto* rename = new QHBoxLayout;
        txt_edid_rename_ = new QLineEdit(box);
        txt_edid_rename_->setObjectName("txt_edid_rename");
        txt_edid_rename_->setMaxLength(40);
        connect(txt_edid_rename_, &QLineEdit::textEdited, this,
                [this](const QString& t) { edid_rename_text_set(ctx_, latin1(t)); });
        rename->addWidget(txt_edid_rename_, 1);
        cmd_write_rename_ = new QPushButton("Rename", box);
        cmd_write_rename_->setObjectName("cmd_write_rename");
        connect(cmd_write_rename_, &QPushButton::clicked, this, [this] { edid_rename_click(ctx_); });
        rename->addWidget(cmd_write_rename_);
        col->addLayout(rename);
        col->addWidget(build_pre_files());
    }

    auto* status = new QHBoxLayout;
    w.msg1 = new QLabel(box);
    w.msg1->setObjectName("lab_" + side + "_msg1");
    w.msg2 = new QLabel(box);
    w.msg2->setObjectName("lab_" + side + "_msg2");
    QFont bold = w.msg1->font();
    bold.setBold(true);
    for (QLabel* l : {w.msg1, w.msg2}) {
        l->setFont(bold);
        auto p = l->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        l->setSizePolicy(p);
        status->addWidget(l);
    }
    status->addStretch(1);
    col->addLayout(status);

    w.text = new QPlainTextEdit(box);
    w.text->setObjectName("rtxt_edid_" + side);
    w.text->setFont(fixed_font());
    w.text->setLineWrapMode(QPlainTextEdit::NoWrap);
    w.text->setMinimumWidth(QFontMetrics(w.text->font()).horizontalAdvance(QString(31, 'X')) + 24);
    connect(w.text, &QPlainTextEdit::textChanged, this, [this, context] {
        if (rendering_) return;
        auto& sw = context == 0 ? read_ : write_;
        QString q = sw.text->toPlainText();
        q.replace("\n", "\r\n");
        sw.shown_text = latin1(q);
        edid_window_edit(ctx_, context, sw.shown_text);
    });
    col->addWidget(w.text, 1);

    auto* sums = new QHBoxLayout;
    sums->addWidget(new QLabel("Checksum:", box));
    for (int k = 0; k < 4; ++k) {
        w.checksum[static_cast<std::size_t>(k)] = new QLabel(box);
        w.checksum[static_cast<std::size_t>(k)]->setObjectName(QString("lab_%1_checksum_%2").arg(side).arg(k));
        sums->addWidget(w.checksum[static_cast<std::size_t>(k)]);
        auto* fix = new QPushButton("Fix", box);
        fix->setObjectName(QString("cmd_%1_recover_%2").arg(side).arg(k));
        fix->setFixedWidth(fix->fontMetrics().horizontalAdvance("Fix") + 16);
        connect(fix, &QPushButton::clicked, this, [this, context, k] { edid_checksum_repair(ctx_, context, k); });
        w.recover[static_cast<std::size_t>(k)] = fix;
        sums->addWidget(fix);
    }
    sums->addStretch(1);
    col->addLayout(sums);

    auto* facts = new QGridLayout;
    const char* names[5] = {"type", "manuf", "model1", "model2", "native"};
    const char* captions[5] = {"Type:", "Manufacturer:", "Model:", "", "Native:"};
    QLabel** labels[5] = {&w.type, &w.manuf, &w.model1, &w.model2, &w.native};
    for (int i = 0; i < 5; ++i) {
        *labels[i] = new QLabel(box);
        (*labels[i])->setObjectName(QString("lab_%1_%2").arg(side, names[i]));
        (*labels[i])->setFrameShape(QFrame::StyledPanel);
        (*labels[i])->setMinimumWidth(fontMetrics().averageCharWidth() * 10);
        facts->addWidget(new QLabel(captions[i], box), i / 3, (i % 3) * 2);
        facts->addWidget(*labels[i], i / 3, (i % 3) * 2 + 1);
    }
    col->addLayout(facts);
    return box;
}

QGroupBox* page_edid::build_pre_files() {
    fra_pre_f_ = new QGroupBox("Previuos Files", content_);
    fra_pre_f_->setObjectName("fra_pre_f");
    auto* l = new QVBoxLayout(fra_pre_f_);
    l->setSpacing(0);
    for (int k = 0; k < 10; ++k) {
        auto* lab = new QLabel(fra_pre_f_);
        lab->setObjectName(QString("lab_pre_f_%1").arg(k));
        lab->setAutoFillBackground(true);
        lab->setCursor(Qt::PointingHandCursor);
        lab->setMinimumHeight(lab->fontMetrics().height() + 2);
        lab->installEventFilter(this);
        lab_pre_f_[static_cast<std::size_t>(k)] = lab;
        l->addWidget(lab);
    }
    fra_pre_f_->hide();
    return fra_pre_f_;
}

QWidget* page_edid::build_analyse_frame() {
    fra_edid_analyse_ = new QGroupBox("Analyse", this);
    fra_edid_analyse_->setObjectName("fra_edid_analyse");
    fra_edid_analyse_->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(fra_edid_analyse_);
    auto* left = new QVBoxLayout;
    tree_edid_ = new QTreeWidget(fra_edid_analyse_);
    tree_edid_->setObjectName("tree_edid");
    tree_edid_->setHeaderHidden(true);
    tree_edid_->setMinimumWidth(fontMetrics().horizontalAdvance("Detail Timings/Monitor Descriptors") + 60);
    connect(tree_edid_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!rendering_ && item) edid_tree_click(ctx_, item->data(0, Qt::UserRole).toInt());
    });
    left->addWidget(tree_edid_, 1);
    auto* buttons = new QHBoxLayout;
    cmd_edid_save_report_ = new QPushButton("Save Report", fra_edid_analyse_);
    cmd_edid_save_report_->setObjectName("cmd_edid_save_report");
    connect(cmd_edid_save_report_, &QPushButton::clicked, this, [this] { edid_report_save(ctx_); });
    cmd_edid_exit_ = new QPushButton("EXIT", fra_edid_analyse_);
    cmd_edid_exit_->setObjectName("cmd_edid_exit");
    connect(cmd_edid_exit_, &QPushButton::clicked, this, [this] { edid_analyse_exit(ctx_); });
    buttons->addWidget(cmd_edid_save_report_);
    buttons->addWidget(cmd_edid_exit_);
    left->addLayout(buttons);
    row->addLayout(left);
    txt_edid_ana_ = new QPlainTextEdit(fra_edid_analyse_);
    txt_edid_ana_->setObjectName("txt_edid_ana");
    txt_edid_ana_->setFont(fixed_font());
    txt_edid_ana_->setReadOnly(true);
    txt_edid_ana_->setLineWrapMode(QPlainTextEdit::NoWrap);
    row->addWidget(txt_edid_ana_, 1);
    fra_edid_analyse_->hide();
    return fra_edid_analyse_;
}

// ---- events ----------------------------------------------------------------------------

bool page_edid::eventFilter(QObject* watched, QEvent* e) {
    for (int k = 0; k < 10; ++k) {
        if (watched != lab_pre_f_[static_cast<std::size_t>(k)]) continue;
        if (e->type() == QEvent::Enter) edid_pre_f_hover(ctx_, k);
        else if (e->type() == QEvent::Leave) edid_pre_f_hover(ctx_, -1);
        else if (e->type() == QEvent::MouseButtonRelease) edid_pre_f_click(ctx_, k);
        break;
    }
    return QWidget::eventFilter(watched, e);
}

void page_edid::show_diag() {
    frm_diag dlg(ctx_, this);
    dlg.exec();
}

void page_edid::show_rx_edid() {
    frm_rx_edid dlg(ctx_, this);
    if (auto* b = cmd_write_[6]) dlg.move(b->mapToGlobal(QPoint(b->width() + 4, 0)));
    rx_dialog_ = &dlg;
    dlg.exec();
    rx_dialog_ = nullptr;
}

void page_edid::show_copy_sink() {
    frm_copy_sink dlg(ctx_, this);
    if (auto* b = cmd_read_[3]) dlg.move(b->mapToGlobal(QPoint(b->width() + 4, 0)));
    copy_dialog_ = &dlg;
    dlg.exec();
    copy_dialog_ = nullptr;
}

// ---- rendering -------------------------------------------------------------------------

void page_edid::render_busy() {
    const auto& P = ctx_.edid_page;
    const bool busy = edid_page_busy(ctx_);
    for (int i = 0; i < edid_read_button_count; ++i)
        if (auto* b = cmd_read_[static_cast<std::size_t>(i)]) b->setEnabled(P.cmd_read[static_cast<std::size_t>(i)].enabled && !busy);
    for (int i = 0; i < edid_write_button_count; ++i)
        if (auto* b = cmd_write_[static_cast<std::size_t>(i)]) b->setEnabled(P.cmd_write[static_cast<std::size_t>(i)].enabled && !busy);
    cmd_write_rename_->setEnabled(P.cmd_write_rename.enabled);  // a busy rename waits (deferred)
    read_.list->setEnabled(!busy);
    write_.list->setEnabled(!busy);
    for (auto* side : {&read_, &write_})
        for (auto* b : side->recover) b->setEnabled(!busy);
    for (auto* l : lab_pre_f_) l->setEnabled(!busy);
    if (rx_dialog_) rx_dialog_->render();
    if (copy_dialog_) copy_dialog_->render();
}

void page_edid::render_text(side_widgets& w, const std::string& text, const std::vector<text_mark>& marks) {
    if (w.shown_text != text) {
        QString q = latin1(text);
        q.replace("\r\n", "\n");
        QSignalBlocker block(w.text);
        w.text->setPlainText(q);
        w.shown_text = text;
    }
    // Offsets count CR LF as two characters; the widget holds one line break.
    QList<QTextEdit::ExtraSelection> sel;
    int crlf_before = 0;
    std::size_t scanned = 0;
    for (const auto& m : marks) {
        for (; scanned + 1 < text.size() && scanned < static_cast<std::size_t>(m.start); ++scanned)
            if (text[scanned] == '\r' && text[scanned + 1] == '\n') ++crlf_before;
        QTextEdit::ExtraSelection s;
        s.format.setForeground(QColor(192, 0, 0));
        s.format.setFontWeight(QFont::Bold);
        s.cursor = QTextCursor(w.text->document());
        s.cursor.setPosition(m.start - crlf_before);
        s.cursor.setPosition(m.start - crlf_before + m.length, QTextCursor::KeepAnchor);
        sel << s;
    }
    w.text->setExtraSelections(sel);
}

void page_edid::render_side(int context) {
    auto& P = ctx_.edid_page;
    auto& w = context == 0 ? read_ : write_;
    const edid_side_view& S = edid_side_labels(P, context);
    render_text(w, edid_side_text(P, context), context == 0 ? P.read_marks : P.write_marks);
    set_label(w.msg1, S.msg1);
    set_label(w.msg2, S.msg2);
    for (int k = 0; k < 4; ++k) {
        set_label(w.checksum[static_cast<std::size_t>(k)], S.checksum[static_cast<std::size_t>(k)]);
        render_common(w.recover[static_cast<std::size_t>(k)], S.recover[static_cast<std::size_t>(k)]);
    }
    set_label(w.type, S.type);
    set_label(w.manuf, S.manuf);
    set_label(w.model1, S.model1);
    set_label(w.model2, S.model2);
    set_label(w.native, S.native);
}

void page_edid::render_lists() {
    const auto& P = ctx_.edid_page;
    QSignalBlocker b1(read_.list), b2(write_.list);
    for (int i = 1; i <= edid_read_item_count; ++i) {
        const QString t = latin1(edid_read_item(ctx_, i));
        if (read_.list->itemText(i - 1) != t) read_.list->setItemText(i - 1, t);
    }
    for (int i = 1; i <= edid_write_item_count; ++i) {
        const QString t = latin1(edid_write_item(ctx_, i));
        if (write_.list->itemText(i - 1) != t) write_.list->setItemText(i - 1, t);
    }
    read_.list->setCurrentIndex(P.read_index - 1);
    write_.list->setCurrentIndex(P.write_index - 1);
}

void page_edid::render_analyse() {
    const auto& P = ctx_.edid_page;
    if (fra_edid_analyse_->isVisibleTo(this) != P.fra_edid_analyse_visible)
        fra_edid_analyse_->setVisible(P.fra_edid_analyse_visible);
    std::vector<std::string> now;
    for (const auto& n : P.tree) now.push_back(n.text + '\x1f' + n.key + '\x1f' + std::to_string(n.parent));
    if (now != shown_tree_) {
        QSignalBlocker block(tree_edid_);
        tree_edid_->clear();
        tree_items_.assign(P.tree.size(), nullptr);
        for (std::size_t i = 1; i < P.tree.size(); ++i) {
            const auto& n = P.tree[i];
            QTreeWidgetItem* parent = n.parent > 0 && static_cast<std::size_t>(n.parent) < i ? tree_items_[static_cast<std::size_t>(n.parent)] : nullptr;
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_edid_);
            item->setText(0, latin1(n.text));
            item->setData(0, Qt::UserRole, static_cast<int>(i));
            tree_items_[i] = item;
        }
        shown_tree_ = now;
    }
    for (std::size_t i = 1; i < P.tree.size() && i < tree_items_.size(); ++i) {
        QFont f = tree_edid_->font();
        f.setBold(P.tree[i].bold);
        tree_items_[i]->setFont(0, f);
        if (P.tree[i].expanded) tree_items_[i]->setExpanded(true);
    }
    QString ana = latin1(P.txt_edid_ana);
    ana.replace("\r\n", "\n");
    if (txt_edid_ana_->toPlainText() != ana) txt_edid_ana_->setPlainText(ana);
}

void page_edid::render() {
    const auto& P = ctx_.edid_page;
    const bool was = rendering_;
    rendering_ = true;
    render_lists();
    render_side(0);
    render_side(1);
    for (int i = 0; i < edid_read_button_count; ++i)
        if (auto* b = cmd_read_[static_cast<std::size_t>(i)]) render_button(b, P.cmd_read[static_cast<std::size_t>(i)]);
    for (int i = 0; i < edid_write_button_count; ++i)
        if (auto* b = cmd_write_[static_cast<std::size_t>(i)]) render_button(b, P.cmd_write[static_cast<std::size_t>(i)]);
    cmd_read_[3]->setIcon(edid_slot_picture(P.copy_slot + 11));
    cmd_write_[6]->setIcon(edid_slot_picture(P.rx_edid_slot));
    if (txt_edid_rename_->text() != latin1(P.txt_edid_rename)) txt_edid_rename_->setText(latin1(P.txt_edid_rename));

    if (fra_pre_f_->isVisibleTo(this) != P.fra_pre_f_visible) fra_pre_f_->setVisible(P.fra_pre_f_visible);
    for (int k = 0; k < 10; ++k) {
        QLabel* l = lab_pre_f_[static_cast<std::size_t>(k)];
        const QString t = latin1(ctx_.life.pre_files[static_cast<std::size_t>(k)]);
        if (l->text() != t) l->setText(t);
        QPalette pal = fra_pre_f_->palette();
        if (P.pre_f_hover == k) {
            pal.setColor(QPalette::Window, QColor(0, 0, 255));
            pal.setColor(QPalette::WindowText, Qt::white);
        } else {
            pal.setColor(QPalette::WindowText, Qt::black);
        }
        l->setPalette(pal);
    }
    render_analyse();
    render_busy();
    rendering_ = was;
}

}  // namespace vexlan
