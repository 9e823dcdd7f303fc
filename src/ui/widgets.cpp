#include "ui/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "link/link_state.h"

namespace vexlan {

void clickable_label::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && isEnabled() && rect().contains(e->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(e);
}

void refreshing_combo::showPopup() {
    if (before_popup) before_popup();
    QComboBox::showPopup();
}

void elided_button::set_full_text(const QString& text) {
    full_ = text;
    setToolTip(text);
    elide();
}

QSize elided_button::sizeHint() const {
    const QSize base = QPushButton::sizeHint();
    return {fontMetrics().averageCharWidth() * 12, base.height()};
}

QSize elided_button::minimumSizeHint() const {
    const QSize base = QPushButton::minimumSizeHint();
    return {fontMetrics().averageCharWidth() * 6, base.height()};
}

void elided_button::resizeEvent(QResizeEvent* e) {
    QPushButton::resizeEvent(e);
    elide();
}

void elided_button::elide() {
    const int room = width() - fontMetrics().averageCharWidth() * 2;
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, std::max(room, 0));
    if (text() != shown) setText(shown);
}

busy_bar_widget::busy_bar_widget(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip("Waiting for the unit");
}

QSize busy_bar_widget::sizeHint() const {
    const int h = fontMetrics().height() / 2 + 4;
    return {fontMetrics().averageCharWidth() * 10, h};
}

void busy_bar_widget::set_state(bool visible, int left_twips) {
    if (visible == shown_ && left_twips == left_) return;
    shown_ = visible;
    left_ = left_twips;
    update();
}

void busy_bar_widget::paintEvent(QPaintEvent*) {
    if (!shown_) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QColor(144, 144, 144));
    p.setBrush(QColor(235, 235, 235));
    p.drawRoundedRect(track, 3, 3);
    const double span = busy_bar_view::limit - busy_bar_view::start;
    const double block = track.width() / 5;
    const double x = track.left() + (track.width() - block) * (left_ - busy_bar_view::start) / span;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 0));
    p.drawRoundedRect(QRectF(x, track.top() + 1, block, track.height() - 2), 2, 2);
}

QColor to_qcolor(const rgb& c) { return QColor(c.r, c.g, c.b); }

void render_common(QWidget* w, const control_view& v) {
    if (w->isVisibleTo(w->parentWidget()) != v.visible) w->setVisible(v.visible);
    w->setEnabled(v.enabled);
    const QString tip = latin1(v.tool_tip);
    if (w->toolTip() != tip) w->setToolTip(tip);
}

void render_button(QPushButton* b, const control_view& v, bool coloured) {
    render_common(b, v);
    const QString text = latin1(v.caption);
    if (b->text() != text) b->setText(text);
    if (!coloured) return;
    QPalette pal = b->palette();
    const QColor face = to_qcolor(v.color);
    const QColor ink = face.lightness() < 110 ? QColor(Qt::white) : QColor(Qt::black);
    pal.setColor(QPalette::Button, face);
    for (auto group : {QPalette::Active, QPalette::Inactive}) pal.setColor(group, QPalette::ButtonText, ink);
    // disabled: the same face, the caption half-way to it
    const QColor faded((ink.red() + face.red()) / 2, (ink.green() + face.green()) / 2, (ink.blue() + face.blue()) / 2);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, faded);
    b->setPalette(pal);
}

void render_label(QLabel* l, const control_view& v) {
    render_common(l, v);
    const QString text = latin1(v.caption);
    if (l->text() != text) l->setText(text);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, to_qcolor(v.color));
    l->setPalette(pal);
}

}  // namespace vexlan
