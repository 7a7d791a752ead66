#include "mainwindowparts.h"

#include "platform/layoutscale.h"

#include <QLabel>
#include <QPainter>
#include <QTextBrowser>
#include <QVBoxLayout>

HistoryBox::HistoryBox(QWidget *parent) : QFrame(parent), m_text(new QTextBrowser(this))
{
    setFrameShape(QFrame::Box);
    setObjectName(QStringLiteral("picHistory"));
    m_text->setObjectName(QStringLiteral("txtHistory"));
    m_text->setFrameShape(QFrame::NoFrame);
    // The box's own colours: it reads as part of the window, on a light desktop or a dark one.
    m_text->viewport()->setAutoFillBackground(false);
    m_text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->document()->setDocumentMargin(3);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_text);
}

void HistoryBox::showStory(const QString &text)
{
    if (m_text->toPlainText() != text)
        m_text->setPlainText(text);
}

QString HistoryBox::story() const
{
    return m_text->toPlainText();
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
