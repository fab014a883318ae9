// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls.h"

#include "listpanels.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

namespace wl {
namespace {

QWidget* create(const ControlSpec& s, QWidget* parent, DriveSource& drives) {
    switch (s.kind) {
    case Kind::Button:
        return new QPushButton(s.text, parent);
    case Kind::Frame:
        return new Frame(s.text, parent);
    case Kind::Label: {
        auto* label = new QLabel(s.text, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case Kind::TextBox:
        return new QLineEdit(s.text, parent);
    case Kind::CheckBox:
        return new QCheckBox(s.text, parent);
    case Kind::Option:
        return new QRadioButton(s.text, parent);
    case Kind::DriveList:
        return new DriveListBox(drives, parent);
    case Kind::DirList:
        return new DirListBox(drives, parent);
    case Kind::FileList:
        return new FileListBox(drives, parent);
    case Kind::Line: {
        auto* line = new QFrame(parent);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Plain);
        QPalette p = line->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Light));
        line->setPalette(p);
        return line;
    }
    }
    return nullptr;
}

// A check box's caption wraps within the box's width (Qt's own captions do not wrap); the full
// caption stays its accessible name.
QString wrapped(const QFontMetrics& m, const QString& text, int width) {
    QString out, line;
    for (const QString& word : text.split(' ')) {
        const QString candidate = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && m.horizontalAdvance(candidate) > width) {
            out += line + '\n';
            line = word;
        } else {
            line = candidate;
        }
    }
    return out + line;
}

// Wraps a check box's caption to the width beside its indicator; a caption whose lines are
// still taller than the box is set a pixel smaller (the boxes' heights were made for a dialog
// font with a tighter line pitch than its stand-ins).
void wrapCaption(QCheckBox* box, const QString& text) {
    QStyleOptionButton opt;
    opt.initFrom(box);
    const int width = box->width() -
                      box->style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, box) -
                      box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, box);
    QFont font = box->font();
    QString lines = wrapped(QFontMetrics(font), text, width);
    while (QFontMetrics(font).size(0, lines).height() > box->height() && font.pixelSize() > 9) {
        font.setPixelSize(font.pixelSize() - 1);
        lines = wrapped(QFontMetrics(font), text, width);
    }
    if (font != box->font())
        box->setFont(font);
    box->setText(lines);
    box->setAccessibleName(text);
}

} // namespace

int Frame::borderTop() const { return QFontMetrics(font()).height() / 2; }

void Frame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics m(font());
    const QRect border = rect().adjusted(0, borderTop(), -2, -2);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(border);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(border.translated(1, 1));
    if (title().isEmpty())
        return;
    // The caption interrupts the line, on the window's own background.
    const QRect caption(8, 0, m.horizontalAdvance(title()) + 4, m.height());
    p.fillRect(caption, palette().color(backgroundRole()));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(caption.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, title());
}

void nameControls(const QHash<QString, QWidget*>& controls,
                  const QList<std::pair<QString, QString>>& names) {
    for (const auto& [control, name] : names)
        if (QWidget* w = controls.value(control))
            w->setAccessibleName(name);
}

QHash<QString, QWidget*> buildControls(QWidget* client, const QList<ControlSpec>& specs,
                                       DriveSource& drives) {
    QHash<QString, QWidget*> made;
    QList<std::pair<int, QWidget*>> tabs;
    for (const ControlSpec& s : specs) {
        QWidget* parent = s.container.isEmpty() ? client : made.value(s.container, client);
        QWidget* w = create(s, parent, drives);
        w->setObjectName(s.name);
        w->setGeometry(s.kind == Kind::Line
                           ? QRect(s.geometry.topLeft(), QSize(s.geometry.width(), 1))
                           : s.geometry);
        if (s.kind == Kind::Line || s.kind == Kind::Label || s.kind == Kind::Frame)
            w->setFocusPolicy(Qt::NoFocus);
        if (s.kind == Kind::CheckBox)
            wrapCaption(static_cast<QCheckBox*>(w), s.text);
        w->setVisible(s.visible);
        made.insert(s.name, w);
        if (s.tab >= 0 && w->focusPolicy() != Qt::NoFocus)
            tabs.append({s.tab, w});
    }
    // Later siblings paint over earlier ones: raising from the back makes the first listed
    // the front-most.
    for (auto it = specs.rbegin(); it != specs.rend(); ++it)
        made.value(it->name)->raise();
    std::sort(tabs.begin(), tabs.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (qsizetype i = 1; i < tabs.size(); ++i)
        QWidget::setTabOrder(tabs[i - 1].second, tabs[i].second);
    return made;
}

} // namespace wl
