// SPDX-License-Identifier: GPL-3.0-or-later
#include "formbuilder.h"

#include "listpanels.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIconEngine>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
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

QHash<QString, QAction*> buildMenus(QMenuBar* bar, const QList<MenuItemSpec>& items) {
    QHash<QString, QMenu*> menus;
    QHash<QString, QAction*> actions;
    for (const MenuItemSpec& i : items) {
        QMenu* menu = menus.value(i.menuName);
        if (!menu) {
            menu = bar->addMenu(i.menuCaption);
            menu->setObjectName(i.menuName);
            menus.insert(i.menuName, menu);
        }
        QAction* action = menu->addAction(i.itemCaption);
        action->setObjectName(i.itemName);
        actions.insert(i.itemName, action);
    }
    return actions;
}

QFont designFont(const QString& family, double points, bool bold, bool italic, bool underline) {
    QFont f(family);
    // Where the named font is missing, the nearest in width: the layout's fixed sizes were
    // made for a narrow dialog font, which a narrow sans-serif matches and the usual wide
    // defaults do not (they clip captions). The headings keep a Comic-style face.
    const bool comic = family.startsWith("Comic");
    f.setFamilies(comic
                      ? QStringList{family, "Comic Neue", "Comic Sans", "Liberation Sans Narrow"}
                      : QStringList{family, "Microsoft Sans Serif", "Liberation Sans Narrow",
                                    "Arial Narrow", "Nimbus Sans Narrow", "DejaVu Sans Condensed"});
    f.setStyleHint(comic ? QFont::Fantasy : QFont::SansSerif);
    // The sizes are points on a 96-dpi screen, and the windows' geometry is 96-dpi pixels: the
    // font goes by the same pixels, whatever the screen reports.
    f.setPixelSize(qRound(points * 96 / 72));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QFont dialogFont() { return designFont("MS Sans Serif", 8.25); }

QMainWindow* newMainWindow(const QString& title, QSize client, bool withMenuBar) {
    auto* window = new QMainWindow;
    // F10 enters the menu bar as Alt does: the menu bar is handed the key events of an Alt
    // press and release, after the shortcut's own event (it forgets a pending Alt on any).
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(f10, &QShortcut::activated, window, [window] {
        QTimer::singleShot(0, window, [window] {
            for (auto [type, modifiers] : {std::pair{QEvent::ShortcutOverride, Qt::AltModifier},
                                           std::pair{QEvent::KeyPress, Qt::AltModifier},
                                           std::pair{QEvent::KeyRelease, Qt::NoModifier}}) {
                QKeyEvent alt(type, Qt::Key_Alt, modifiers);
                QCoreApplication::sendEvent(window, &alt);
            }
        });
    });
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(title);
    window->setFont(dialogFont());
    auto* area = new QWidget(window);
    area->setObjectName("client");
    area->setMinimumSize(client);
    window->setCentralWidget(area);
    const int menuHeight = withMenuBar ? window->menuBar()->sizeHint().height() : 0;
    window->resize(client.width(), client.height() + menuHeight);
    return window;
}

} // namespace wl

namespace wl {

namespace {

// A wave over a lathe bed, as in the desktop icon, on a 32-pixel grid.
void drawProgramIcon(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#1d4e89"));
    p.drawRoundedRect(1, 1, 30, 30, 5, 5);
    QPainterPath wave(QPointF(3, 16));
    for (int x = 3; x < 27; x += 6) {
        wave.quadTo(x + 1.5, (x / 6) % 2 ? 26 : 6, x + 3, 16);
        wave.quadTo(x + 4.5, (x / 6) % 2 ? 6 : 26, x + 6, 16);
    }
    p.setPen(QPen(QColor("#f5c542"), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#d9e4f0"));
    p.drawRoundedRect(4, 22, 24, 5, 2, 2);
    p.setBrush(QColor("#1d4e89"));
    p.drawEllipse(QPointF(16, 24.5), 1.5, 1.5);
}

// A compact disc, on a 32-pixel grid.
void drawRipperIcon(QPainter& p) {
    p.setPen(QPen(QColor("#404040"), 1));
    p.setBrush(QColor("#c0c8d0"));
    p.drawEllipse(2, 2, 28, 28);
    p.setBrush(QColor("#f5c542"));
    p.drawEllipse(10, 10, 12, 12);
    p.setBrush(Qt::white);
    p.drawEllipse(14, 14, 4, 4);
}

// An icon drawn afresh at every size it is asked for, so that it stays sharp on any screen.
class DrawnIcon : public QIconEngine {
  public:
    explicit DrawnIcon(void (*draw)(QPainter&)) : draw_(draw) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 32.0, rect.height() / 32.0);
        draw_(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }
    QIconEngine* clone() const override { return new DrawnIcon(draw_); }

  private:
    void (*draw_)(QPainter&);
};

} // namespace

QImage programIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    DrawnIcon(drawProgramIcon).paint(&p, image.rect(), QIcon::Normal, QIcon::Off);
    p.end();
    return image;
}

QIcon programIcon() { return QIcon(new DrawnIcon(drawProgramIcon)); }

QIcon ripperIcon() { return QIcon(new DrawnIcon(drawRipperIcon)); }

} // namespace wl
