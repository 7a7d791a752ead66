#include "mainwindowparts.h"

#include "platform/layoutscale.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HistoryBox::HistoryBox(QWidget *parent)
    : QFrame(parent), m_text(new QTextBrowser(this)),
      m_place(new QPushButton(QStringLiteral("Place Order..."), this)),
      m_orders(new QPushButton(QStringLiteral("Orders..."), this))
{
    setFrameShape(QFrame::Box);
    setObjectName(QStringLiteral("picHistory"));
    m_text->setObjectName(QStringLiteral("txtHistory"));
    m_text->setFrameShape(QFrame::NoFrame);
    // The box's own colours: it reads as part of the window, on a light desktop or a dark one.
    m_text->viewport()->setAutoFillBackground(false);
    // Tab walks the cancel links and Enter follows one; the browser itself never navigates.
    m_text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse |
                                    Qt::LinksAccessibleByKeyboard | Qt::LinksAccessibleByMouse);
    m_text->setOpenLinks(false);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->document()->setDocumentMargin(3);
    connect(m_text, &QTextBrowser::anchorClicked, this, &HistoryBox::linkActivated);

    m_place->setObjectName(QStringLiteral("cmdPlaceOrder"));
    m_orders->setObjectName(QStringLiteral("cmdOrders"));
    for (QPushButton *b : {m_place, m_orders}) {
        // Low, so the text keeps most of the box.
        b->setFixedHeight(LayoutScale::scaled(20));
        b->setAutoDefault(true);
    }
    connect(m_place, &QPushButton::clicked, this, &HistoryBox::placeOrderRequested);
    connect(m_orders, &QPushButton::clicked, this, &HistoryBox::ordersRequested);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_place);
    layout->addWidget(m_orders);
}

void HistoryBox::draw(const QString &news, const QList<OpenOrder> &orders, const QString &story)
{
    const auto paragraph = [](const QString &text) {
        return QStringLiteral("<p>") + text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")) +
               QStringLiteral("</p>");
    };
    QString html;
    if (!news.isEmpty())
        html += QStringLiteral("<p><i>") + news.toHtmlEscaped() + QStringLiteral("</i></p>");
    for (const OpenOrder &o : orders)
        html += QStringLiteral("<p>%1 <a href=\"cancel:%2\">Cancel</a></p>")
                    .arg(o.text.toHtmlEscaped())
                    .arg(o.id);
    html += paragraph(story);
    // Set again only when it changed, so a redraw neither scrolls the box nor drops link focus.
    if (html == m_html)
        return;
    m_html = html;
    m_text->setHtml(html);
}

QString HistoryBox::story() const
{
    return m_text->toPlainText();
}

QList<QWidget *> HistoryBox::focusChain() const
{
    return {m_text, m_place, m_orders};
}

void HistoryBox::linkActivated(const QUrl &link)
{
    if (link.scheme() == QStringLiteral("cancel"))
        emit cancelRequested(link.path().toInt());
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
