#include "webpane.h"

#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

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
        emit loaded(true);
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
        if (ok)
            showBody(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
        else
            showPlaceholder();
        emit loaded(ok);
    });
}

QString WebPane::html() const
{
    return m_view->toHtml();
}

void WebPane::showBody(const QByteArray &body, const QString &contentType)
{
    if (contentType.startsWith(QLatin1String("image/"))) {
        QImage image;
        if (!image.loadFromData(body)) {
            showPlaceholder();
            return;
        }
        m_view->document()->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pane:image")),
                                        image);
        m_view->document()->setDocumentMargin(0);
        m_view->setHtml(QStringLiteral("<img src=\"pane:image\" width=\"%1\" height=\"%2\">")
                            .arg(m_view->viewport()->width())
                            .arg(m_view->viewport()->height()));
        return;
    }
    m_view->document()->setDocumentMargin(6);
    m_view->setHtml(QString::fromUtf8(body));
}

void WebPane::showPlaceholder()
{
    m_view->document()->setDocumentMargin(6);
    m_view->setHtml(QStringLiteral("<p style=\"color:#888888\">Not available right now.</p>"));
}
