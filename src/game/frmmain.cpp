#include "frmmain.h"

#include "extras/frmabout.h"
#include "extras/frmfilter.h"
#include "extras/frmoptions.h"
#include "extras/helpviewer.h"
#include "game/frmload.h"
#include "game/frmnewplayer.h"
#include "game/gamesession.h"
#include "platform/librarymusicplayer.h"
#include "platform/messages.h"
#include "platform/tcpsocket.h"
#include "platform/webpane.h"
#include "sync/localmarket.h"
#include "sync/systemclock.h"
#include "trading/frmbuy.h"
#include "trading/frmsell.h"
#include "trading/frmstats.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

FrmMain::FrmMain(const QString &programFolder, QWidget *parent)
    : FrmMain(
          [&programFolder] {
              auto session =
                  std::make_unique<GameSession>(QDir::cleanPath(programFolder), std::make_unique<TcpSocket>(),
                                                std::make_unique<SystemClock>());
              const QString programs = QCoreApplication::applicationDirPath();
              session->setMusicPlayer(
                  std::make_unique<LibraryMusicPlayer>(programs + QStringLiteral("/libquorvane_music.so")));
              session->setLocalMarket(
                  std::make_unique<LocalMarket>(programs + QStringLiteral("/quorvane-market")));
              return session;
          }(),
          parent)
{}

FrmMain::FrmMain(std::unique_ptr<GameSession> session, QWidget *parent)
    : QMainWindow(parent), m_session(session.release())
{
    m_session->setParent(this);
    // The saved game and favourites are read while the widgets are built; Form_Load takes them.
    m_session->readStartupFilesAhead();
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(Messages::programTitle());
    buildMenus();
    buildClientArea();
    // The border cannot resize the window; minimise and restore keep this size.
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    connectSession();
    Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::connectSession()
{
    Timer_Percent = new QTimer(this);
    Timer_Percent->setInterval(10);
    Timer_Seconde = new QTimer(this);
    Timer_Seconde->setInterval(1000);
    connect(Timer_Percent, &QTimer::timeout, m_session, &GameSession::percentTimerTick);
    connect(Timer_Seconde, &QTimer::timeout, m_session, &GameSession::secondsTimerTick);
    // The timers run only while a download is in progress.
    connect(m_session, &GameSession::timersEnabledChanged, this, [this](bool on) {
        if (on) {
            Timer_Percent->start();
            Timer_Seconde->start();
        } else {
            Timer_Percent->stop();
            Timer_Seconde->stop();
        }
    });
    connect(m_session, &GameSession::panelChanged, this, &FrmMain::renderQuotePanel);
    connect(m_session, &GameSession::cashChanged, this, &FrmMain::showCash);
    connect(m_session, &GameSession::stockListChanged, this, &FrmMain::fillStockList);
    connect(m_session, &GameSession::chartChanged, this, &FrmMain::showChart);
    connect(m_session, &GameSession::syncEnabledChanged, cmdSync, &QPushButton::setEnabled);
    connect(m_session, &GameSession::proxyChanged, this,
            [this] { WebBrowser->setProxy(m_session->proxy()); });
    connect(m_session, &GameSession::messageRequested, this,
            [this](const QString &text) { Messages::inform(this, text); });
}

void FrmMain::Form_Load()
{
    ShowStartupTip();
    const std::optional<FileError> problem = m_session->start();
    // Chart images and the information page go through the player's proxy like the quotes.
    WebBrowser->setProxy(m_session->proxy());
    StartMusic();
    showCash();
    fillStockList();
    m_infoPageDue = m_session->showsInfoPageAtStart();
    renderQuotePanel();
    if (problem)
        Messages::inform(this, problem->text(), QMessageBox::Warning);
    emit loadFinished();
}

void FrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_firstPaintWatched, true) || !windowHandle())
        return;
    // Widgets paint while the first expose event is handled.
    windowHandle()->installEventFilter(this);
}

void FrmMain::afterFirstPaint()
{
    if (!std::exchange(m_infoPageDue, false))
        return;
    if (m_session->isWaitingForMarket())
        connect(m_session, &GameSession::servicesReady, this, &FrmMain::showInfoPage,
                Qt::SingleShotConnection);
    else
        showInfoPage();
}

void FrmMain::showInfoPage()
{
    const QUrl page = m_session->infoPageUrl();
    WebBrowser->navigate(page);
    // Without the market service the player still gets the page shipped with the game.
    connect(
        WebBrowser, &WebPane::loaded, this,
        [this, page](bool ok) {
            if (!ok && WebBrowser->currentUrl() == page)
                WebBrowser->navigate(m_session->localInfoPageUrl());
        },
        Qt::SingleShotConnection);
}

void FrmMain::showCash()
{
    lblTicker->setText(m_session->cashText());
}

void FrmMain::fillStockList()
{
    // Sorted once here rather than row by row in the list (which compares through QVariant):
    // the same order, as the list compares plain texts, at a fraction of the cost.
    QStringList rows = m_session->stockList();
    std::sort(rows.begin(), rows.end());
    const QSignalBlocker quiet(LstStocks);
    LstStocks->clear();
    LstStocks->addItems(rows);
}

void FrmMain::renderQuotePanel()
{
    const QuotePanel &panel = m_session->panel();
    lblFullName->setText(panel.lblFullName);
    lblQuote->setText(panel.lblQuote);
    lblTrade->setText(panel.lblTrade);
    lblVariation->setText(panel.lblVariation);
    lblTime->setText(panel.lblTime);
    lblVolume->setText(panel.lblVolume);
    lblOwned->setText(panel.lblOwned);
    lblValue->setText(panel.lblValue);
    PicUp->setVisible(panel.picUpVisible);
    PicDown->setVisible(panel.picDownVisible);
}

void FrmMain::showChart()
{
    picLogo->setPixmap(QPixmap(m_session->logoPath()));
    WebBrowser->navigate(m_session->chartUrl());
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // Every trade already rewrote the saved game: nothing to save, never refuse.
    m_session->shutDown();
    Timer_Percent->stop();
    Timer_Seconde->stop();
    ShutDownMusic();
    event->accept();
}

namespace {
void bringToFront(QWidget *dialog)
{
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
} // namespace

void FrmMain::mnuNewGame_Click()
{
    if (!m_frmNewPlayer)
        m_frmNewPlayer = new frmNewPlayer(*m_session, this);
    bringToFront(m_frmNewPlayer);
}

void FrmMain::mnuLoadSaved_Click()
{
    if (!m_frmLoad)
        m_frmLoad = new frmLoad(*m_session, this);
    bringToFront(m_frmLoad);
}

void FrmMain::cmdSync_Click()
{
    m_session->synchronize();
}

void FrmMain::LstStocks_Click()
{
    const QString ticker = LstStocks->currentItem() ? LstStocks->currentItem()->text() : QString();
    if (const std::optional<QString> refusal = m_session->selectStock(ticker))
        Messages::inform(this, *refusal);
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(0, this, &FrmMain::afterFirstPaint);
        return false;
    }
    if (watched == LstStocks->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            LstStocks_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
    }
    // The menu key offers the same menu, beside the selected row.
    if (watched == LstStocks && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        const QListWidgetItem *row = LstStocks->currentItem();
        const QPoint at = row ? LstStocks->visualItemRect(row).bottomLeft() : QPoint();
        LstStocks_MouseDown(Qt::RightButton, LstStocks->viewport()->mapToGlobal(at));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::LstStocks_MouseDown(Qt::MouseButton button, const QPoint &globalPos)
{
    FileStatus problem;
    const auto state = m_session->favoriteMenu(button, &problem);
    if (problem) {
        Messages::inform(this, problem->text(), QMessageBox::Warning);
        return;
    }
    if (!state)
        return;
    mnuFavAdd->setEnabled(state->addEnabled);
    mnuFavDel->setEnabled(state->removeEnabled);
    mnuContextMenu->popup(globalPos);
}

void FrmMain::mnuFavAdd_Click()
{
    if (FileStatus error = m_session->addFavorite())
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

void FrmMain::mnuFavDel_Click()
{
    if (FileStatus error = m_session->removeFavorite())
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

template <class Dialog> void FrmMain::openTradeDialog(QPointer<Dialog> &dialog, TradeKind kind)
{
    if (const std::optional<TradeMessage> refusal = m_session->tradeRefusal(kind)) {
        showTradeMessage(this, *refusal);
        return;
    }
    if (!dialog)
        dialog = new Dialog(*m_session, this);
    dialog->openTrade();
}

void FrmMain::cmdBuy_Click()
{
    openTradeDialog(m_frmBuy, TradeKind::Buy);
}

void FrmMain::cmdSell_Click()
{
    openTradeDialog(m_frmSell, TradeKind::Sell);
}

void FrmMain::mnuStats_Click()
{
    frmStats->showFor(*m_session);
}

void FrmMain::mnuEnd_Click()
{
    close();
}

void FrmMain::cmdFilter_Click()
{
    if (!m_frmFilter)
        m_frmFilter = new frmFilter(*m_session, this);
    bringToFront(m_frmFilter);
}

void FrmMain::mnuAbout_Click()
{
    if (!m_frmAbout)
        m_frmAbout = new frmAbout(m_session->programFolder(), this);
    bringToFront(m_frmAbout);
}

void FrmMain::mnuContent_Click()
{
    openManual(m_session->programFolder(), this, m_helpViewer);
}

void FrmMain::ShowStartupTip()
{
    m_session->tips().ShowStartupTip();
    showTip();
}

void FrmMain::showTip()
{
    lblTips->setText(m_session->tips().caption());
}

void FrmMain::cmdPreviousTip_Click()
{
    m_session->tips().cmdPreviousTip_Click();
    showTip();
}

void FrmMain::cmdRandomTip_Click()
{
    m_session->tips().cmdRandomTip_Click();
    showTip();
}

void FrmMain::cmdNextTip_Click()
{
    m_session->tips().cmdNextTip_Click();
    showTip();
}

void FrmMain::MnuProxy_Click()
{
    if (!m_frmOptions)
        m_frmOptions = new frmOptions(*m_session, this);
    bringToFront(m_frmOptions);
}

void FrmMain::StartMusic()
{
    m_session->music().StartMusic(m_session->programFolder(), m_session->settings());
}

void FrmMain::ShutDownMusic()
{
    m_session->music().ShutDownMusic();
}
