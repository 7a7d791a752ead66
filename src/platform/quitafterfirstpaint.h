#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

// For the start-up benchmark: when QUORVANE_QUIT_AFTER_FIRST_PAINT is set, the program
// leaves as soon as its window has been exposed and painted once.
class QuitAfterFirstPaint : public QObject
{
public:
    static void installIfAsked(QWidget *window)
    {
        if (!qEnvironmentVariableIsSet("QUORVANE_QUIT_AFTER_FIRST_PAINT"))
            return;
        window->winId(); // makes the native window so its expose event can be watched
        window->windowHandle()->installEventFilter(new QuitAfterFirstPaint(window));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Widgets paint synchronously while the expose event is handled; quit right after.
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }

private:
    explicit QuitAfterFirstPaint(QObject *parent) : QObject(parent) {}
};
