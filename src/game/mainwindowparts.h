#pragma once

#include <QFrame>
#include <QPixmap>

class QLabel;
class QRect;
class QString;
class QTextBrowser;

// Small pieces of the main window's client area.

// The box under the trading buttons: the selected stock's story in this game.
class HistoryBox : public QFrame
{
public:
    explicit HistoryBox(QWidget *parent);

    void showStory(const QString &text);
    QString story() const;

private:
    QTextBrowser *m_text;
};

// The 10 x 14 arrows beside the last trade.
QPixmap arrowPixmap(bool up);
// A label showing a value of the game as plain text, named for tests and tools.
QLabel *valueLabel(QWidget *parent, const char *name, const QRect &geometry);
QLabel *captionLabel(QWidget *parent, const QString &text, const QRect &geometry);
