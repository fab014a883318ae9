#include "formbuilder.h"

#include "listpanels.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace wl {
namespace {

QWidget* create(const ControlSpec& s, QWidget* parent, DriveSource& drives) {
    switch (s.kind) {
    case Kind::Button:
        return new QPushButton(s.text, parent);
    case Kind::Frame:
        return new QGroupBox(s.text, parent);
    case Kind::Label: {
        auto* label = new QLabel(s.text, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case Kind::TextBox:
        return new QLineEdit(s.text, parent);
    case Kind::CheckBox: {
        auto* box = new QCheckBox(s.text, parent);
        return box;
    }
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

} // namespace

QHash<QString, QWidget*> buildControls(QWidget* client, const QList<ControlSpec>& specs,
                                       DriveSource& drives) {
    QHash<QString, QWidget*> made;
    QList<std::pair<int, QWidget*>> tabs;
    for (const ControlSpec& s : specs) {
        QWidget* parent = s.container.isEmpty() ? client : made.value(s.container, client);
        QWidget* w = create(s, parent, drives);
        w->setObjectName(s.name);
        w->setGeometry(s.kind == Kind::Line ? QRect(s.geometry.topLeft(), QSize(s.geometry.width(), 1))
                                            : s.geometry);
        if (s.kind == Kind::Line || s.kind == Kind::Label || s.kind == Kind::Frame)
            w->setFocusPolicy(Qt::NoFocus);
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
    f.setStyleHint(family.startsWith("Comic") ? QFont::Fantasy : QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QFont dialogFont() { return designFont("MS Sans Serif", 8.25); }

QMainWindow* newMainWindow(const QString& title, QSize client, bool withMenuBar) {
    auto* window = new QMainWindow;
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
