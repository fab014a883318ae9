// SPDX-License-Identifier: GPL-3.0-or-later
#include "app.h"

#include "about.h"
#include "cdripper.h"
#include "form1.h"
#include "form3.h"

#include <QCoreApplication>

namespace wl {

App::App(Host& host, DriveSource& drives)
    : host_(host), drives_(drives), onEnd_([] { QCoreApplication::quit(); }) {}

App::~App() = default;

void App::start() { showMain(); }

Form1& App::form1() {
    if (!form1_)
        form1_ = std::make_unique<Form1>(*this);
    return *form1_;
}

cdripper& App::ripper() {
    if (!ripper_)
        ripper_ = std::make_unique<cdripper>(*this);
    return *ripper_;
}

About& App::about() {
    if (!about_)
        about_ = std::make_unique<About>(*this);
    return *about_;
}

Form3& App::form3() {
    if (!form3_)
        form3_ = std::make_unique<Form3>(*this);
    return *form3_;
}

// Loads the window if needed, shows it modeless and brings it to the front. A loaded but
// hidden Settings window is just made visible, not loaded again.
void App::show(Window& window) {
    window.load();
    QWidget* w = window.widget();
    // A minimized window comes back as it was before.
    if (w->isMinimized())
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

void App::showMain() { show(form1()); }
void App::showRipper() { show(ripper()); }
void App::showAbout() { show(about()); }
void App::showSettings() { show(form3()); }

QList<Window*> App::existing() const {
    QList<Window*> all;
    for (Window* w :
         std::initializer_list<Window*>{form1_.get(), ripper_.get(), about_.get(), form3_.get()})
        if (w)
            all.append(w);
    return all;
}

void App::unload(Window& window) {
    window.destroyWidget();
    for (Window* w : existing())
        if (w->isVisible())
            return;
    // No visible window is left: a Settings window that a batch loaded hidden goes too.
    for (Window* w : existing())
        w->destroyWidget();
    onEnd_();
}

bool App::deleteWaveChecked() {
    Form3& settings = form3();
    settings.load();
    return settings.check1Checked();
}

} // namespace wl
