// SPDX-License-Identifier: GPL-3.0-or-later
#include "form3.h"

#include "controls.h"
#include "fonts.h"
#include "host.h"
#include "icons.h"
#include "texts.h"

#include <QCheckBox>

namespace wl {
namespace {

const QString kCaption = QStringLiteral(
    "Delete wave files after encoding. (This option is only available for batch encoding)");

const QList<ControlSpec> kCatalogue = {
    {Kind::Label,
     "Label1",
     "",
     "More settings will be available in the next version of Wavelathe.",
     {16, 16, 201, 33}},
    {Kind::Frame, "Frame1", "", "Preferences:", {8, 64, 209, 73}},
    {Kind::CheckBox, "Check1", "Frame1", kCaption, {8, 16, 185, 49}, 0},
};

} // namespace

QWidget* Form3::build() {
    auto* window = new QWidget;
    window->setWindowTitle("Settings");
    window->setWindowIcon(programIcon());
    window->setFont(dialogFont());
    window->resize(226, 151);
    const auto c = buildControls(window, kCatalogue, shell_.drives());
    c.value("Label1")->setFont(designFont("MS Sans Serif", 8.25, true));
    Check1_ = static_cast<QCheckBox*>(c.value("Check1"));
    connect(Check1_, &QCheckBox::toggled, this, &Form3::Check1_Click);
    return window;
}

void Form3::Form_Load() {
    // The default is any text other than the two stored values.
    const QString stored =
        shell_.host().ReadSetting(texts::kAppKey, texts::kSection, texts::kDeleteWaveKey, "absent");
    if (stored == texts::kDeleteWave)
        Check1_->setChecked(true);
    if (stored == texts::kKeepWave)
        Check1_->setChecked(false);
}

void Form3::Check1_Click() {
    if (Check1_->isChecked())
        shell_.host().SaveSetting(texts::kAppKey, texts::kSection, texts::kDeleteWaveKey,
                                  texts::kDeleteWave);
    if (!Check1_->isChecked())
        shell_.host().SaveSetting(texts::kAppKey, texts::kSection, texts::kDeleteWaveKey,
                                  texts::kKeepWave);
}

bool Form3::check1Checked() const { return Check1_ && Check1_->isChecked(); }

} // namespace wl
