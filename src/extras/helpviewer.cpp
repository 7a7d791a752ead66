#include "helpviewer.h"

#include "platform/desktop.h"

#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpViewer::HelpViewer(const QUrl &manual, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("HelpViewer"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    // Mail and web links in the manual go to the desktop; pages of the manual stay here.
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(manual);
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Quorvane Help") : title);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    resize(760, 580);
}

void openManual(const QString &programFolder, QWidget *parent, QPointer<HelpViewer> &viewer)
{
    const QString path = programFolder + QStringLiteral("/help/index.html");
    if (!QFileInfo(path).isFile())
        return;
    const QUrl manual = QUrl::fromLocalFile(path);
    if (Desktop::openUrl(manual))
        return;
    if (!viewer) {
        viewer = new HelpViewer(manual, parent);
        Desktop::placeBeside(viewer, parent);
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}
