#pragma once

#include "sync/proxysetting.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QImage;
class QNetworkAccessManager;
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
    // Fetches over HTTP go through the player's proxy; a proxy that is on but has nowhere to
    // connect makes them fail, as the quote download does, rather than go direct.
    void setProxy(const ProxySetting &proxy);
    QUrl currentUrl() const { return m_url; }
    // What the pane shows, as HTML: tests read it.
    QString html() const;

signals:
    void loaded(bool ok);

private:
    // Shows the body and reports `loaded`; a picture is decoded off the GUI thread first.
    void showBody(const QByteArray &body, const QString &contentType);
    void showImage(const QImage &image);
    void showPlaceholder();

    QTextBrowser *m_view;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    bool m_proxyBroken = false;
    QUrl m_url;
    int m_navigation = 0; // a decode finished for an older navigation is dropped
};
