// SPDX-License-Identifier: GPL-3.0-or-later
// Windows are built from control tables: kind, design name, container, text, geometry and tab
// index, listed front to back: the first listed is in front.
#pragma once
#include <QGroupBox>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

namespace wl {

class DriveSource;

enum class Kind {
    Button,
    Frame,
    Label,
    TextBox,
    CheckBox,
    Option,
    DriveList,
    DirList,
    FileList,
    Line
};

// A frame drawn as an etched border whose top line runs through the
// middle of the caption, so that controls placed a little below the frame's top sit inside it.
class Frame : public QGroupBox {
  public:
    using QGroupBox::QGroupBox;
    // Where the top border line is drawn, from the frame's top.
    int borderTop() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

struct ControlSpec {
    Kind kind;
    QString name;
    QString container; // empty: the window's client area
    QString text;
    QRect geometry; // a line's rectangle runs from its start point, one pixel high
    int tab = -1;   // -1: takes no focus
    bool visible = true;
};

// Creates the controls in the client area, stacks them with the first listed in front and
// chains the tab order by tab index. Controls get their design names as object names.
QHash<QString, QWidget*> buildControls(QWidget* client, const QList<ControlSpec>& specs,
                                       DriveSource& drives);

// The names a screen reader says for controls without a caption of their own (text boxes and
// lists), taken from the caption beside them: control name -> spoken name.
void nameControls(const QHash<QString, QWidget*>& controls,
                  const QList<std::pair<QString, QString>>& names);

} // namespace wl
