#include "mainwindowparts.h"

#include "platform/layoutscale.h"

#include <QLabel>
#include <QPainter>

HistoryBox::HistoryBox(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setObjectName(QStringLiteral("picHistory"));
}

void HistoryBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    // A faint grid on any desktop: an eighth of the way from the window's colour to its text's.
    const QColor back = palette().color(QPalette::Window), text = palette().color(QPalette::WindowText);
    const auto mix = [](int from, int to) { return from + (to - from) / 8; };
    p.setPen(
        QColor(mix(back.red(), text.red()), mix(back.green(), text.green()), mix(back.blue(), text.blue())));
    constexpr int step = 12;
    for (int x = step; x < width(); x += step)
        p.drawLine(x, 1, x, height() - 2);
    for (int y = step; y < height(); y += step)
        p.drawLine(1, y, width() - 2, y);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("HISTORY IS NOT YET FUNCTIONNAL"));
}

QPixmap arrowPixmap(bool up)
{
    QPixmap pixmap(10, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(up ? QColor(0x10, 0xa0, 0x30) : QColor(0xd0, 0x20, 0x20));
    const QPolygonF head = up ? QPolygonF({{5, 0}, {10, 6}, {0, 6}}) : QPolygonF({{5, 14}, {10, 8}, {0, 8}});
    p.drawPolygon(head);
    p.drawRect(up ? QRectF(3, 6, 4, 8) : QRectF(3, 0, 4, 8));
    return pixmap;
}

QLabel *valueLabel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(LayoutScale::scaled(geometry));
    // Company names hold ampersands; they are text, never access keys.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *captionLabel(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(LayoutScale::scaled(geometry));
    label->setTextFormat(Qt::PlainText);
    return label;
}
