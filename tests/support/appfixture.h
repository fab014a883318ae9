// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows on a recording host, with helpers to drive them as a user would.
#pragma once
#include "app.h"
#include "drives.h"
#include "support.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>

namespace wl::test {

struct AppFixture {
    TestFolder folder;
    FakeHost host;
    SystemDriveSource drives;
    App app{host, drives};
    int ends = 0;

    AppFixture() {
        app.setOnEnd([this] { ++ends; });
    }
    ~AppFixture() {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <class W = QWidget> static W* child(QWidget* window, const QString& name) {
        W* w = window->findChild<W*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    static void trigger(QWidget* window, const QString& item) {
        child<QAction>(window, item)->trigger();
    }
    static void click(QWidget* window, const QString& name) {
        child<QAbstractButton>(window, name)->click();
    }
    // Presses whatever button the user sees at a point of the client area.
    static void pressAt(QWidget* window, QPoint p) {
        QWidget* client = static_cast<QMainWindow*>(window)->centralWidget();
        QWidget* target = client->childAt(p);
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(client, p));
    }
};

} // namespace wl::test
