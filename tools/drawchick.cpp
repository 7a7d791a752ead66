// Draws the about box's picture: a round yellow chick with a beak, an eye, a wing and two feet.
// Usage: quorvane-drawchick <output.png>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-drawchick OUTPUT.png\n");
        return 2;
    }
    QImage image(96, 96, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor down(0xff, 0xd2, 0x3c);
    const QColor shade(0xe8, 0xa8, 0x18);
    const QColor orange(0xf0, 0x80, 0x20);

    // Feet first, so the body covers where they join.
    p.setPen(QPen(orange, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int x : {38, 54}) {
        p.drawLine(x, 74, x, 86);
        p.drawLine(x, 86, x - 5, 90);
        p.drawLine(x, 86, x + 5, 90);
        p.drawLine(x, 86, x, 91);
    }
    // Body and head.
    p.setPen(QPen(shade, 2));
    p.setBrush(down);
    p.drawEllipse(QRectF(22, 38, 52, 40));
    p.drawEllipse(QRectF(40, 12, 36, 34));
    // A tuft of down on top.
    QPainterPath tuft;
    tuft.moveTo(56, 14);
    tuft.cubicTo(52, 4, 60, 4, 58, 12);
    tuft.cubicTo(62, 3, 68, 6, 61, 14);
    p.drawPath(tuft);
    // Wing.
    p.setBrush(shade);
    p.setPen(Qt::NoPen);
    QPainterPath wing;
    wing.moveTo(30, 52);
    wing.cubicTo(40, 46, 54, 52, 52, 62);
    wing.cubicTo(46, 70, 34, 66, 30, 52);
    p.drawPath(wing);
    // Beak, pointing right.
    p.setBrush(orange);
    const QPointF beak[] = {{74, 26}, {88, 30}, {74, 35}};
    p.drawPolygon(beak, 3);
    // Eye with a glint, and a blush.
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.drawEllipse(QRectF(62, 21, 7, 7));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(65, 22, 2.5, 2.5));
    p.setBrush(QColor(0xff, 0x90, 0x90, 0x90));
    p.drawEllipse(QRectF(58, 32, 9, 5));
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
