#include "webpane.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {
// Pages and pictures we show are small; anything bigger is not ours.
constexpr qint64 kMaxBody = 8 * 1024 * 1024;
constexpr int kTimeoutMs = 15000;
} // namespace

WebPane::WebPane(QWidget *parent) : QWidget(parent), m_view(new QTextBrowser(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setOpenLinks(false);
    m_view->setFrameShape(QFrame::StyledPanel);
}

void WebPane::setProxy(const ProxySetting &proxy)
{
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    m_proxyBroken = proxy.isBroken();
    if (proxy.enabled && !m_proxyBroken)
        m_network->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, proxy.host, proxy.port));
    else
        m_network->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void WebPane::navigate(const QUrl &url)
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    m_url = url;
    ++m_navigation;
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (file.size() > kMaxBody || !file.open(QIODevice::ReadOnly)) {
            showPlaceholder();
            emit loaded(false);
            return;
        }
        const QString name = url.toLocalFile().toLower();
        const bool isImage = name.endsWith(QLatin1String(".png")) || name.endsWith(QLatin1String(".gif")) ||
                             name.endsWith(QLatin1String(".jpg"));
        showBody(file.readAll(), isImage ? QStringLiteral("image/") : QStringLiteral("text/html"));
        return;
    }
    if (m_proxyBroken) {
        showPlaceholder();
        // Like a failed fetch, it is heard after navigate returns.
        QMetaObject::invokeMethod(
            this, [this] { emit loaded(false); }, Qt::QueuedConnection);
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const bool ok = reply->error() == QNetworkReply::NoError && reply->size() <= kMaxBody;
        if (ok) {
            showBody(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
        } else {
            showPlaceholder();
            emit loaded(false);
        }
    });
}

QString WebPane::html() const
{
    return m_view->toHtml();
}

void WebPane::showBody(const QByteArray &body, const QString &contentType)
{
    if (!contentType.startsWith(QLatin1String("image/"))) {
        m_view->document()->setDocumentMargin(6);
        m_view->setHtml(QString::fromUtf8(body));
        emit loaded(true);
        return;
    }
    // Decoding a chart costs about a millisecond of the GUI thread's time per click: it is done
    // on the pool, and a newer navigation makes the result worthless.
    const int navigation = m_navigation;
    QtConcurrent::run([body] {
        QBuffer buffer;
        buffer.setData(body);
        QImageReader reader(&buffer);
        return reader.read();
    }).then(this, [this, navigation](const QImage &image) {
        if (navigation != m_navigation)
            return;
        if (image.isNull()) {
            showPlaceholder();
            emit loaded(false);
            return;
        }
        showImage(image);
        emit loaded(true);
    });
}

void WebPane::showImage(const QImage &image)
{
    m_view->document()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pane:image")), image);
    // The chart is drawn light; on a dark desktop a margin of the pane's own base frames it, so it
    // does not glare against the window around it.
    const int margin = m_view->palette().color(QPalette::Base).lightness() < 128 ? 4 : 0;
    m_view->document()->setDocumentMargin(margin);
    m_view->setHtml(QStringLiteral("<img src=\"pane:image\" width=\"%1\" height=\"%2\">")
                        .arg(m_view->viewport()->width() - 2 * margin)
                        .arg(m_view->viewport()->height() - 2 * margin));
}

void WebPane::showPlaceholder()
{
    m_view->document()->setDocumentMargin(6);
    m_view->setHtml(QStringLiteral("<p style=\"color:#888888\">Not available right now.</p>"));
}
