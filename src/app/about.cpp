// SPDX-License-Identifier: GPL-3.0-or-later
#include "about.h"

#include "controls.h"
#include "fonts.h"
#include "hlink.h"
#include "host.h"
#include "icons.h"
#include "texts.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace wl {
namespace {

const QList<ControlSpec> kCatalogue = {
    {Kind::Frame, "Frame2", "", "Program : ", {8, 8, 233, 65}},
    {Kind::Label, "Label2", "Frame2", "Wavelathe", {24, 16, 185, 41}},
    {Kind::Frame, "Frame1", "", "Version :", {8, 80, 89, 65}},
    {Kind::Label, "Label1", "Frame1", "   1.08", {8, 24, 73, 25}},
    {Kind::Frame, "Frame5", "", "Coded by :", {104, 80, 137, 65}},
    {Kind::Label, "Label6", "Frame5", author::kName, {16, 24, 113, 17}},
    {Kind::Frame, "Frame3", "", "Support :", {8, 144, 233, 65}},
    {Kind::Label, "Label3", "Frame3", author::kWebPage, {16, 16, 209, 17}},
    {Kind::Label, "Label4", "Frame3", author::kSupport, {64, 40, 97, 17}},
};

constexpr char kLinkProperty[] = "wavelatheLink";

// A screen reader hears a link label as a link, named by its text, that can be pressed.
class LinkAccessible : public QAccessibleWidget {
  public:
    explicit LinkAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? static_cast<QLabel*>(widget())->text()
                                      : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction())
            QCoreApplication::postEvent(widget(),
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, {}));
    }
};

QAccessibleInterface* linkAccessible(const QString&, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    return label && label->property(kLinkProperty).toBool() ? new LinkAccessible(label) : nullptr;
}

// Makes a label a link: a click on it (pressed and released on it with the left button) runs its
// handler, and so do Return, Enter and Space while it has the focus, which Tab gives it. The
// focus shows as the style's focus frame inside the label, so nothing moves. The second click of
// a double-click arrives as a double-click event, which starts nothing.
class LinkFilter : public QObject {
  public:
    LinkFilter(QLabel* label, std::function<void()> onClick)
        : QObject(label), label_(label), onClick_(std::move(onClick)) {
        static const bool installed = (QAccessible::installFactory(linkAccessible), true);
        (void)installed;
        label->setProperty(kLinkProperty, true);
        // A screen reader may have met the label before it became a link.
        if (QAccessibleInterface* met = QAccessible::queryAccessibleInterface(label);
            met && met->role() != QAccessible::Link)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(met));
        label->setFont(designFont("MS Sans Serif", 8.25, true, false, true));
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Highlight));
        label->setPalette(p);
        label->setWordWrap(false);
        label->setCursor(Qt::PointingHandCursor);
        label->setFocusPolicy(Qt::StrongFocus);
        label->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::Paint:
            paintFocus();
            return false; // the label paints its text over the frame
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent*>(e));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return mouse(static_cast<QMouseEvent*>(e));
        default:
            return false;
        }
    }

  private:
    void paintFocus() {
        if (!label_->hasFocus())
            return;
        QStylePainter painter(label_);
        QStyleOptionFocusRect option;
        option.initFrom(label_);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
    bool keyPress(const QKeyEvent* key) {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter &&
            key->key() != Qt::Key_Space)
            return false;
        onClick_();
        return true;
    }
    bool mouse(const QMouseEvent* mouse) {
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (mouse->type() == QEvent::MouseButtonRelease && pressed_ &&
            label_->rect().contains(mouse->position().toPoint())) {
            pressed_ = false;
            onClick_();
            return true;
        }
        pressed_ = mouse->type() == QEvent::MouseButtonPress;
        return true;
    }

    QLabel* label_;
    std::function<void()> onClick_;
    bool pressed_ = false;
};

} // namespace

QWidget* About::build() {
    auto* window = new QWidget;
    window->setWindowTitle("About");
    window->setWindowIcon(programIcon());
    window->setFont(dialogFont());
    window->resize(253, 213);
    const auto c = buildControls(window, kCatalogue, shell_.drives());
    c.value("Label2")->setFont(designFont("Comic Sans MS", 21.75, false, true));
    c.value("Label1")->setFont(designFont("Comic Sans MS", 12, false, true));
    c.value("Label6")->setFont(designFont("MS Sans Serif", 9.75, true));
    new LinkFilter(static_cast<QLabel*>(c.value("Label3")), [this] { Label3_Click(); });
    new LinkFilter(static_cast<QLabel*>(c.value("Label4")), [this] { Label4_Click(); });
    QWidget::setTabOrder(c.value("Label3"), c.value("Label4"));
    return window;
}

void About::Label3_Click() {
    shell_.host().RunCommand("start.exe " + author::kWebPage, texts::kStyleHidden);
}

void About::Label4_Click() {
    hlink::OpenLink(shell_.host(), "mailto:" + author::kSupport + "?subject=Wavelathe");
}

namespace hlink {
void OpenLink(Host& host, const QString& target) { host.OpenLink(target); }
} // namespace hlink

} // namespace wl
