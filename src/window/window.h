// SPDX-License-Identifier: GPL-3.0-or-later
// A window object lives for the whole run; its on-screen part exists only while it is loaded.
#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace wl {

class Host;
class DriveSource;
class Window;

// What windows ask of the window registry.
class Shell {
  public:
    virtual ~Shell() = default;
    virtual Host& host() = 0;
    virtual DriveSource& drives() = 0;
    virtual void showMain() = 0;
    virtual void showRipper() = 0;
    virtual void showAbout() = 0;
    virtual void showSettings() = 0;
    virtual void unload(Window& window) = 0;
    // The Settings window's check box, loading that window hidden when it is not loaded.
    virtual bool deleteWaveChecked() = 0;
};

class Window : public QObject {
    Q_OBJECT
  public:
    explicit Window(Shell& shell) : shell_(shell) {}
    ~Window() override;

    bool isLoaded() const { return !widget_.isNull(); }
    bool isVisible() const { return isLoaded() && widget_->isVisible(); }
    QWidget* widget() const { return widget_; }

    // Builds the on-screen part in its opening state, then runs the load step.
    void load();
    // Destroys the on-screen part; the object and its variables stay.
    void destroyWidget();

  protected:
    virtual QWidget* build() = 0;
    virtual void Form_Load() {}
    bool eventFilter(QObject* watched, QEvent* event) override;

    Shell& shell_;

  private:
    QPointer<QWidget> widget_;
};

} // namespace wl
