// SPDX-License-Identifier: GPL-3.0-or-later
// The Settings window: its check box holds the delete preference while the window is loaded.
#pragma once
#include "window.h"

#include <QCheckBox>
#include <QPointer>

namespace wl {

class Form3 : public Window {
    Q_OBJECT
  public:
    explicit Form3(Shell& shell) : Window(shell) {}
    void Check1_Click();
    bool check1Checked() const;

  protected:
    QWidget* build() override;
    void Form_Load() override;

  private:
    QPointer<QCheckBox> Check1_;
};

} // namespace wl
