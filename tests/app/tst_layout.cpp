// SPDX-License-Identifier: GPL-3.0-or-later
// The four windows as drawn and driven: captions that fit, frame lines above their controls, the
// keyboard, lists that follow the disk, links, and message boxes owned by their window.
#include "about.h"
#include "appfixture.h"
#include "cdripper.h"
#include "form1.h"
#include "form3.h"
#include "controls.h"
#include "listpanels.h"
#include "systemhost.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

using namespace wl;
using namespace wl::test;

namespace {

// What a control's caption needs, as its own font and the style draw it.
QSize needed(QWidget* w) {
    const QFontMetrics m(w->font());
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const int flags = (label->wordWrap() ? Qt::TextWordWrap : 0) | int(label->alignment());
        const QRect r = m.boundingRect(QRect(0, 0, w->width(), 10000), flags, label->text());
        // A word longer than the line sticks out on the right.
        int widest = 0;
        for (const QString& word : label->text().split(' '))
            widest = std::max(widest, m.horizontalAdvance(word));
        return {std::max(r.width(), widest), r.height()};
    }
    if (auto* box = qobject_cast<QAbstractButton*>(w); box && !qobject_cast<QPushButton*>(w)) {
        const bool radio = qobject_cast<QRadioButton*>(w);
        QStyleOptionButton opt;
        opt.initFrom(w);
        const QStyle* s = w->style();
        const int indicator =
            s->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth,
                           &opt, w) +
            s->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                 : QStyle::PM_CheckBoxLabelSpacing,
                           &opt, w);
        const QSize text = m.size(0, box->text());
        return {indicator + text.width(), text.height()};
    }
    if (auto* button = qobject_cast<QPushButton*>(w))
        return {m.horizontalAdvance(button->text()) + 6, m.height()};
    if (auto* frame = qobject_cast<QGroupBox*>(w))
        return {m.horizontalAdvance(frame->title()) + 16, 0};
    return {};
}

QList<QWidget*> captioned(QWidget* window) {
    QList<QWidget*> all;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") &&
            (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
             qobject_cast<QGroupBox*>(w)))
            all << w;
    return all;
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
  private slots:
    void captionsFit() {
        AppFixture f;
        f.app.start();
        f.app.showAbout();
        f.app.showSettings();
        QStringList tooSmall;
        auto check = [&](QWidget* window) {
            for (QWidget* w : captioned(window)) {
                const QSize need = needed(w);
                if (need.width() > w->width() || need.height() > w->height())
                    tooSmall << QString("%1.%2 needs %3x%4, has %5x%6")
                                    .arg(window->windowTitle(), w->objectName())
                                    .arg(need.width())
                                    .arg(need.height())
                                    .arg(w->width())
                                    .arg(w->height());
            }
        };
        check(f.app.form1().widget());
        check(f.app.about().widget());
        check(f.app.form3().widget());
        AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        check(f.app.ripper().widget());
        QVERIFY2(tooSmall.isEmpty(), qPrintable(tooSmall.join('\n')));
    }

    // A frame's top line runs above every control inside it, through its caption.
    void frameLinesAboveTheirControls() {
        AppFixture f;
        f.app.start();
        f.app.showAbout();
        f.app.showSettings();
        for (QWidget* window :
             {f.app.form1().widget(), f.app.about().widget(), f.app.form3().widget()}) {
            for (auto* frame : window->findChildren<Frame*>()) {
                const QFontMetrics m(frame->font());
                QVERIFY(frame->borderTop() < m.height());
                for (auto* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    QVERIFY2(control->y() > frame->borderTop() + 1,
                             qPrintable(frame->objectName() + "." + control->objectName()));
            }
        }
    }

    // Alt and F10 enter the menu bar; the arrows and Return reach the items; Escape leaves.
    void menuBarFromTheKeyboard_data() {
        QTest::addColumn<bool>("f10");
        QTest::newRow("Alt") << false;
        QTest::newRow("F10") << true;
    }
    void menuBarFromTheKeyboard() {
        QFETCH(bool, f10);
        AppFixture f;
        f.app.start();
        auto* w = static_cast<QMainWindow*>(f.app.form1().widget());
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto enter = [&] {
            if (f10) {
                QTest::keyClick(w, Qt::Key_F10);
            } else {
                QTest::keyPress(w, Qt::Key_Alt, Qt::AltModifier);
                QTest::keyRelease(w, Qt::Key_Alt);
            }
            QTRY_VERIFY(w->menuBar()->hasFocus());
        };
        enter();
        QTest::keyClick(w->menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(!w->menuBar()->hasFocus());
        // Help > Help: two menus to the right, the second item.
        enter();
        QTest::keyClick(w->menuBar(), Qt::Key_Right);
        QTest::keyClick(w->menuBar(), Qt::Key_Right);
        QTest::keyClick(w->menuBar(), Qt::Key_Return);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        QTRY_COMPARE(f.host.commands.value(0).first, QString("notepad.exe Help.txt"));
    }

    // Only a click, or an arrow key that moves the selection, picks a file; hidden files are not
    // listed; the lists follow the disk without running a handler.
    void fileListPicksAndFollows() {
        AppFixture f;
        writeAll("a.wav", "a");
        writeAll("b.wav", "b");
        writeAll(".hidden.wav", "h");
        QDir().mkdir(".hiddenfolder");
        QDir().mkdir("sub");
        f.app.start();
        QWidget* w = f.app.form1().widget();
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        auto* dirs = AppFixture::child<DirListBox>(w, "Dir1");
        auto* text1 = AppFixture::child<QLineEdit>(w, "Text1");
        QCOMPARE(files->count(), 2);
        QVERIFY(dirs->findItems(".hiddenfolder", Qt::MatchEndsWith).isEmpty());
        QVERIFY(!dirs->findItems("sub", Qt::MatchEndsWith).isEmpty());
        text1->setText("typed");
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        files->setFocus(Qt::TabFocusReason);
        QCOMPARE(text1->text(), QString("typed"));
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(text1->text(), f.folder.path() + "/a.wav");
        text1->setText("typed");
        const QRect first = files->visualItemRect(files->item(0));
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(text1->text(), f.folder.path() + "/a.wav");
        text1->setText("typed");
        writeAll("c.wav", "c");
        QFile::remove("a.wav");
        QDir().mkdir("newfolder");
        auto names = [files] {
            QStringList n;
            for (int i = 0; i < files->count(); ++i)
                n << files->item(i)->text();
            return n;
        };
        QTRY_COMPARE(names(), (QStringList{"b.wav", "c.wav"}));
        QTRY_VERIFY(!dirs->findItems("newfolder", Qt::MatchEndsWith).isEmpty());
        QCOMPARE(files->currentRow(), -1); // the picked file went, and so did the pick
        QCOMPARE(text1->text(), QString("typed"));
        QCOMPARE(dirs->path(), f.folder.path());
        QVERIFY(f.host.messages.isEmpty());
        // Picking the drive already shown leaves the folder list where it is.
        auto* drive = AppFixture::child<DriveListBox>(w, "Drive1");
        (void)dirs->setPath(f.folder.file("sub"));
        drive->choose(drive->drive());
        QCOMPARE(dirs->path(), f.folder.file("sub"));
    }

    // A link opens on a click that starts and ends on it, once per click.
    void linksOpenOnAClick() {
        AppFixture f;
        f.app.showAbout();
        QWidget* about = f.app.about().widget();
        auto* web = AppFixture::child<QLabel>(about, "Label3");
        auto* name = AppFixture::child<QLabel>(about, "Label2");
        QTest::mousePress(name, Qt::LeftButton);
        QTest::mouseRelease(web, Qt::LeftButton);
        QVERIFY(f.host.commands.isEmpty());
        QTest::mousePress(web, Qt::LeftButton);
        QTest::mouseRelease(web, Qt::LeftButton, {}, QPoint(-5, -5)); // released outside
        QVERIFY(f.host.commands.isEmpty());
        // A double-click as the window system delivers it: a click, then the second press as
        // a double-click event, then its release.
        auto doubleClick = [](QWidget* label) {
            QTest::mouseClick(label, Qt::LeftButton);
            QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2),
                            label->mapToGlobal(QPointF(2, 2)), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
            QCoreApplication::sendEvent(label, &dbl);
            QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(2, 2));
        };
        doubleClick(web);
        QCOMPARE(f.host.commands.size(), 1);
        doubleClick(AppFixture::child<QLabel>(about, "Label4"));
        QCOMPARE(f.host.links.size(), 1);
    }

    // A window chosen from a menu comes back from the task bar; message boxes belong to the
    // window that asks, carry the program's icon and are as wide as their title.
    void windowsAndBoxesComeToTheUser() {
        AppFixture f;
        f.app.start();
        f.app.showAbout();
        f.app.about().widget()->showMinimized();
        f.app.showAbout();
        QVERIFY(!f.app.about().widget()->isMinimized());
        f.app.showSettings();
        QVERIFY(!f.app.form3().widget()->windowIcon().isNull());
        QWidget* w = f.app.form1().widget();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        SystemHost host;
        QMessageBox* seen = nullptr;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(seen);
            QCOMPARE(seen->parentWidget(), w);
            QCOMPARE(seen->windowModality(), Qt::WindowModal);
            QVERIFY(!seen->windowIcon().isNull());
            QVERIFY(seen->width() > seen->fontMetrics().horizontalAdvance(seen->windowTitle()));
            seen->accept();
        });
        host.ShowMessage("x", 16, "A title much longer than the prompt of this box");
        QVERIFY(seen);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
