// Small widgets of the main window and the helpers that render core view state onto widgets.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <functional>
#include <string>

#include "link/view.h"

namespace vexlan {

// 8-bit texts of the core are Latin-1.
inline QString latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string latin1(const QString& s) { return s.toLatin1().toStdString(); }

// A label that reports clicks (lab_link, the task and refresh images).
class clickable_label : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// A combo box that lets its owner refresh the items just before the list opens.
class refreshing_combo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    std::function<void()> before_popup;
    void showPopup() override;
};

// A button that shortens its caption with "..." when the caption is wider than the button; the
// whole caption is its tool tip. Its width comes from the layout, not from the caption.
class elided_button : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    void set_full_text(const QString& text);
    const QString& full_text() const { return full_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void elide();
    QString full_;
};

// The busy indicator: a block that moves along a short track, one step per transaction wait
// step. Its position is the busy_bar's left edge between start and limit (twips).
class busy_bar_widget : public QWidget {
    Q_OBJECT
public:
    explicit busy_bar_widget(QWidget* parent = nullptr);
    void set_state(bool visible, int left_twips);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool shown_ = false;
    int left_ = 0;
};

QColor to_qcolor(const rgb& c);
// Visible, enabled and tool tip of any control.
void render_common(QWidget* w, const control_view& v);
// A button: caption and state; with `coloured` also the face colour (text in black or white,
// whichever reads better), else the style's own face.
void render_button(QPushButton* b, const control_view& v, bool coloured = false);
// A label: caption in its colour, state.
void render_label(QLabel* l, const control_view& v);

}  // namespace vexlan
