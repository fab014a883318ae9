// SPDX-License-Identifier: GPL-3.0-or-later
#include "window.h"

#include <QCloseEvent>

namespace wl {

Window::~Window() { delete widget_; }

void Window::load() {
    if (isLoaded())
        return;
    widget_ = build();
    widget_->installEventFilter(this);
    Form_Load();
}

void Window::destroyWidget() {
    if (!widget_)
        return;
    QWidget* w = widget_;
    widget_ = nullptr;
    w->removeEventFilter(this);
    w->hide();
    // Later: the unload may come from one of the window's own menu items or its close event.
    w->deleteLater();
}

// The close box unloads the window, exactly as the "Close" item does.
bool Window::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_ && event->type() == QEvent::Close) {
        event->ignore();
        shell_.unload(*this);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace wl
