// SPDX-License-Identifier: GPL-3.0-or-later
#include "about.h"

#include "formbuilder.h"
#include "hlink.h"
#include "host.h"
#include "texts.h"

#include <QLabel>
#include <QMouseEvent>

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

// Runs a handler when a label is clicked: pressed and released on it with the left button.
// The second click of a double-click arrives as a double-click event, which starts nothing.
class ClickFilter : public QObject {
  public:
    ClickFilter(QWidget* label, std::function<void()> onClick)
        : QObject(label), label_(label), onClick_(std::move(onClick)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonRelease &&
            e->type() != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(e);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (e->type() == QEvent::MouseButtonDblClick) {
            pressed_ = false;
        } else if (e->type() == QEvent::MouseButtonPress) {
            pressed_ = true;
        } else if (e->type() == QEvent::MouseButtonRelease) {
            const bool click = pressed_ && label_->rect().contains(mouse->position().toPoint());
            pressed_ = false;
            if (click)
                onClick_();
        }
        return true;
    }

  private:
    QWidget* label_;
    std::function<void()> onClick_;
    bool pressed_ = false;
};

void asLink(QLabel* label) {
    label->setFont(designFont("MS Sans Serif", 8.25, true, false, true));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Highlight));
    label->setPalette(p);
    label->setWordWrap(false);
    label->setCursor(Qt::PointingHandCursor);
}

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
    auto* web = static_cast<QLabel*>(c.value("Label3"));
    auto* mail = static_cast<QLabel*>(c.value("Label4"));
    asLink(web);
    asLink(mail);
    web->installEventFilter(new ClickFilter(web, [this] { Label3_Click(); }));
    mail->installEventFilter(new ClickFilter(mail, [this] { Label4_Click(); }));
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
