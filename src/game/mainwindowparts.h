#pragma once

#include <QFrame>
#include <QList>
#include <QPixmap>

class QLabel;
class QPushButton;
class QRect;
class QString;
class QTextBrowser;
class QUrl;

// Small pieces of the main window's client area.

// The box under the trading buttons: the last news of the orders, the selected stock's open
// orders, each with a link that cancels it, and the stock's story in this game; under them the
// doors to placing an order and to the orders window.
class HistoryBox : public QFrame
{
    Q_OBJECT

public:
    explicit HistoryBox(QWidget *parent);

    struct OpenOrder
    {
        int id = 0;
        QString text;
    };
    // `news` empty: none.
    void draw(const QString &news, const QList<OpenOrder> &orders, const QString &story);
    // What the box shows, as plain text.
    QString story() const;
    // Its controls in the order Tab reaches them.
    QList<QWidget *> focusChain() const;

signals:
    void cancelRequested(int orderId);
    void placeOrderRequested();
    void ordersRequested();

private:
    void linkActivated(const QUrl &link);

    QTextBrowser *m_text;
    QPushButton *m_place;
    QPushButton *m_orders;
    QString m_html; // what the text was last set to
};

// The 10 x 14 arrows beside the last trade.
QPixmap arrowPixmap(bool up);
// A label showing a value of the game as plain text, named for tests and tools.
QLabel *valueLabel(QWidget *parent, const char *name, const QRect &geometry);
QLabel *captionLabel(QWidget *parent, const QString &text, const QRect &geometry);
