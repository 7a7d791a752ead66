#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QNetworkAccessManager;
class QNetworkProxy;
class QNetworkReply;
class QTextBrowser;

// The embedded web view: shows a small HTML page or a picture, fetched from a local file or
// over HTTP. A failed fetch shows a quiet placeholder, never a message.
class WebPane : public QWidget
{
    Q_OBJECT
public:
    explicit WebPane(QWidget *parent = nullptr);

    void navigate(const QUrl &url);
    void setProxy(const QNetworkProxy &proxy);
    QUrl currentUrl() const { return m_url; }
    // What the pane shows, as HTML: tests read it.
    QString html() const;

signals:
    void loaded(bool ok);

private:
    void showBody(const QByteArray &body, const QString &contentType);
    void showPlaceholder();

    QTextBrowser *m_view;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
};
