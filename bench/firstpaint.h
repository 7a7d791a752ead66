#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

// The start-up benchmark's end point: the program leaves as soon as its window has been
// exposed and painted once, so the process lifetime is the time to the first paint. It leaves
// without tearing anything down: a player's start-up never waits for the window's destruction,
// and a long stock list takes milliseconds to delete.
class QuitAfterFirstPaint : public QObject
{
public:
    static void install(QWidget *window)
    {
        window->winId(); // makes the native window so its expose event can be watched
        window->windowHandle()->installEventFilter(new QuitAfterFirstPaint(window));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Widgets paint synchronously while the expose event is handled; quit right after.
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            QTimer::singleShot(0, qApp, [] { std::_Exit(0); });
        return false;
    }

private:
    explicit QuitAfterFirstPaint(QObject *parent) : QObject(parent) {}
};
