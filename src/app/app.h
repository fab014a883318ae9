// SPDX-License-Identifier: GPL-3.0-or-later
// The window registry: one object per window for the whole run, and the rule that ends the
// program when no visible window is left.
#pragma once
#include "window.h"

#include <functional>
#include <memory>

namespace wl {

class Form1;
class cdripper;
class About;
class Form3;

class App : public Shell {
  public:
    App(Host& host, DriveSource& drives);
    ~App() override;

    // Start-up: the main window, shown at its place; nothing else is loaded or read.
    void start();

    Host& host() override { return host_; }
    DriveSource& drives() override { return drives_; }
    void showMain() override;
    void showRipper() override;
    void showAbout() override;
    void showSettings() override;
    void unload(Window& window) override;
    bool deleteWaveChecked() override;

    // Each window's object, created on first use.
    Form1& form1();
    cdripper& ripper();
    About& about();
    Form3& form3();

    // What happens when the last visible window is unloaded; by default the event loop ends.
    void setOnEnd(std::function<void()> onEnd) { onEnd_ = std::move(onEnd); }

  private:
    void show(Window& window);
    QList<Window*> existing() const;

    Host& host_;
    DriveSource& drives_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<cdripper> ripper_;
    std::unique_ptr<About> about_;
    std::unique_ptr<Form3> form3_;
    std::function<void()> onEnd_;
};

} // namespace wl
