#include "frmmain.h"

#include "game/frmload.h"
#include "game/frmnewplayer.h"
#include "game/startup.h"
#include "model/numbertext.h"
#include "platform/messages.h"
#include "platform/tcpsocket.h"
#include "platform/webpane.h"
#include "sync/quotesync.h"
#include "sync/systemclock.h"
#include "trading/favorites.h"
#include "trading/frmbuy.h"
#include "trading/frmsell.h"
#include "trading/frmstats.h"
#include "trading/stockselection.h"
#include "trading/trade.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QNetworkProxy>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStyle>
#include <QTime>
#include <QTimer>

namespace {

// The ruled box that waits for a trading history.
class HistoryBox : public QFrame
{
public:
    explicit HistoryBox(QWidget *parent) : QFrame(parent)
    {
        setFrameShape(QFrame::Box);
        setObjectName(QStringLiteral("picHistory"));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        QPainter p(this);
        p.setPen(QColor(0xd0, 0xd8, 0xe0));
        constexpr int step = 12;
        for (int x = step; x < width(); x += step)
            p.drawLine(x, 1, x, height() - 2);
        for (int y = step; y < height(); y += step)
            p.drawLine(1, y, width() - 2, y);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("HISTORY IS NOT YET FUNCTIONNAL"));
    }
};

// The 10 x 14 arrows beside the last trade.
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
    label->setGeometry(geometry);
    // Company names hold ampersands; they are text, never access keys.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *captionLabel(QWidget *parent, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

FrmMain::FrmMain(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent), m_folder(QDir::cleanPath(programFolder))
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(Messages::programTitle());
    buildMenus();
    buildClientArea();
    // The border cannot resize the window; minimise and restore keep this size.
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::buildMenus()
{
    const auto icon = [this](QStyle::StandardPixmap which) { return style()->standardIcon(which); };
    const auto action = [this](QMenu *menu, const char *name, const QString &caption, const QIcon &pic) {
        QAction *a = menu->addAction(pic, caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };

    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuNewGame = action(mnuFile, "mnuNewGame", QStringLiteral("&Start New Game"), icon(QStyle::SP_FileIcon));
    mnuLoadSaved = action(mnuFile, "mnuLoadSaved", QStringLiteral("&Load Saved Game"),
                          icon(QStyle::SP_DialogOpenButton));
    mnuFile->addSeparator();
    mnuEnd = action(mnuFile, "mnuEnd", QStringLiteral("&Quit Quorvane"), QIcon());

    QMenu *mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuStats = action(mnuOptions, "mnuStats", QStringLiteral("&Statistics"),
                      icon(QStyle::SP_FileDialogDetailedView));
    MnuProxy =
        action(mnuOptions, "MnuProxy", QStringLiteral("&Configuration"), icon(QStyle::SP_ComputerIcon));

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("?"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuContent = action(mnuHelp, "mnuContent", QStringLiteral("&Content"), icon(QStyle::SP_DialogHelpButton));
    mnuHelp->addSeparator();
    mnuAbout = action(mnuHelp, "mnuAbout", QStringLiteral("&About"), icon(QStyle::SP_MessageBoxInformation));

    // The stock list's pop-up menu; never in the menu bar.
    mnuContextMenu = new QMenu(QStringLiteral("Menu"), this);
    mnuContextMenu->setObjectName(QStringLiteral("mnuContextMenu"));
    mnuFavAdd = action(mnuContextMenu, "mnuFavAdd", QStringLiteral("Add to Favorites"),
                       icon(QStyle::SP_DialogYesButton));
    mnuFavDel = action(mnuContextMenu, "mnuFavDel", QStringLiteral("Remove from Favorites"),
                       icon(QStyle::SP_DialogNoButton));

    connect(mnuNewGame, &QAction::triggered, this, &FrmMain::mnuNewGame_Click);
    connect(mnuLoadSaved, &QAction::triggered, this, &FrmMain::mnuLoadSaved_Click);
    connect(mnuEnd, &QAction::triggered, this, &FrmMain::mnuEnd_Click);
    connect(mnuStats, &QAction::triggered, this, &FrmMain::mnuStats_Click);
    connect(MnuProxy, &QAction::triggered, this, &FrmMain::MnuProxy_Click);
    connect(mnuContent, &QAction::triggered, this, &FrmMain::mnuContent_Click);
    connect(mnuAbout, &QAction::triggered, this, &FrmMain::mnuAbout_Click);
    connect(mnuFavAdd, &QAction::triggered, this, &FrmMain::mnuFavAdd_Click);
    connect(mnuFavDel, &QAction::triggered, this, &FrmMain::mnuFavDel_Click);
}

void FrmMain::buildClientArea()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    // Left column: cash banner, stock list and its filter button.
    lblTicker = valueLabel(client, "lblTicker", QRect(8, 6, 124, 20));
    QFont bannerFont = lblTicker->font();
    bannerFont.setBold(true);
    lblTicker->setFont(bannerFont);

    LstStocks = new QListWidget(client);
    LstStocks->setObjectName(QStringLiteral("LstStocks"));
    LstStocks->setGeometry(8, 30, 96, 392);
    LstStocks->setSortingEnabled(true);
    LstStocks->setSelectionMode(QAbstractItemView::SingleSelection);

    cmdFilter = new QPushButton(QStringLiteral("..."), client);
    cmdFilter->setObjectName(QStringLiteral("cmdFilter"));
    cmdFilter->setGeometry(108, 30, 24, 24);
    cmdFilter->setToolTip(QStringLiteral("Filter the list by sector"));

    // "Share Quotes": one caption and one value per row.
    auto *quotes = new QGroupBox(QStringLiteral("Share Quotes"), client);
    quotes->setObjectName(QStringLiteral("fraQuotes"));
    quotes->setGeometry(136, 4, 346, 176);

    picLogo = new QLabel(quotes);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(272, 100, 64, 64);
    picLogo->setAlignment(Qt::AlignCenter);

    lblFullName = valueLabel(quotes, "lblFullName", QRect(10, 22, 320, 18));
    QFont nameFont = lblFullName->font();
    nameFont.setBold(true);
    lblFullName->setFont(nameFont);

    const int captionWidth = 118;
    const int valueX = 10 + captionWidth;
    int y = 44;
    const int rowHeight = 21;
    captionLabel(quotes, QStringLiteral("Selected : "), QRect(10, y, captionWidth, 18));
    lblQuote = valueLabel(quotes, "lblQuote", QRect(valueX, y, 100, 18));
    y += rowHeight;
    captionLabel(quotes, QStringLiteral("Last Trade (USD) :"), QRect(10, y, captionWidth, 18));
    lblTrade = valueLabel(quotes, "lblTrade", QRect(valueX, y, 46, 18));
    PicUp = new QLabel(quotes);
    PicUp->setObjectName(QStringLiteral("PicUp"));
    PicUp->setPixmap(arrowPixmap(true));
    PicUp->setGeometry(valueX + 48, y + 2, 10, 14);
    PicDown = new QLabel(quotes);
    PicDown->setObjectName(QStringLiteral("PicDown"));
    PicDown->setPixmap(arrowPixmap(false));
    PicDown->setGeometry(valueX + 48, y + 2, 10, 14);
    lblVariation = valueLabel(quotes, "lblVariation", QRect(valueX + 62, y, 154, 18));
    y += rowHeight;
    captionLabel(quotes, QStringLiteral("Trade Time :"), QRect(10, y, captionWidth, 18));
    lblTime = valueLabel(quotes, "lblTime", QRect(valueX, y, 136, 18));
    y += rowHeight;
    captionLabel(quotes, QStringLiteral("Volume :"), QRect(10, y, captionWidth, 18));
    lblVolume = valueLabel(quotes, "lblVolume", QRect(valueX, y, 136, 18));
    y += rowHeight;
    captionLabel(quotes, QStringLiteral("Owned :"), QRect(10, y, captionWidth, 18));
    lblOwned = valueLabel(quotes, "lblOwned", QRect(valueX, y, 136, 18));
    y += rowHeight;
    captionLabel(quotes, QStringLiteral("Total Value (USD) :"), QRect(10, y, captionWidth, 18));
    lblValue = valueLabel(quotes, "lblValue", QRect(valueX, y, 136, 18));

    // Tips of the day, top right.
    auto *tips = new QFrame(client);
    tips->setObjectName(QStringLiteral("picTips"));
    tips->setFrameShape(QFrame::StyledPanel);
    tips->setGeometry(488, 10, 173, 170);
    lblTips = valueLabel(tips, "lblTips", QRect(8, 6, 157, 124));
    lblTips->setWordWrap(true);
    lblTips->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdPreviousTip = new QPushButton(QStringLiteral("Previous"), tips);
    cmdPreviousTip->setObjectName(QStringLiteral("cmdPreviousTip"));
    cmdPreviousTip->setGeometry(4, 136, 56, 26);
    cmdRandomTip = new QPushButton(QStringLiteral("Random"), tips);
    cmdRandomTip->setObjectName(QStringLiteral("cmdRandomTip"));
    cmdRandomTip->setGeometry(60, 136, 54, 26);
    cmdNextTip = new QPushButton(QStringLiteral("Next"), tips);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdNextTip->setGeometry(114, 136, 55, 26);

    // The chart and information page, with the trading buttons and history box beside it.
    WebBrowser = new WebPane(client);
    WebBrowser->setObjectName(QStringLiteral("WebBrowser"));
    WebBrowser->setGeometry(136, 186, 415, 240);

    cmdSync = new QPushButton(QStringLiteral("Synchronize"), client);
    cmdSync->setObjectName(QStringLiteral("cmdSync"));
    cmdSync->setGeometry(561, 186, 100, 28);
    cmdBuy = new QPushButton(QStringLiteral("BUY"), client);
    cmdBuy->setObjectName(QStringLiteral("cmdBuy"));
    cmdBuy->setGeometry(561, 218, 100, 28);
    cmdSell = new QPushButton(QStringLiteral("SELL"), client);
    cmdSell->setObjectName(QStringLiteral("cmdSell"));
    cmdSell->setGeometry(561, 250, 100, 28);
    auto *history = new HistoryBox(client);
    history->setGeometry(561, 284, 100, 142);

    // Over everything else, hidden until "Statistics" is chosen.
    frmStats = new FrmStats(client);

    // The right button opens the favourites menu without selecting the row under it.
    LstStocks->viewport()->installEventFilter(this);
    LstStocks->installEventFilter(this);

    QWidget::setTabOrder(LstStocks, cmdFilter);
    QWidget::setTabOrder(cmdFilter, cmdSync);
    QWidget::setTabOrder(cmdSync, cmdBuy);
    QWidget::setTabOrder(cmdBuy, cmdSell);
    QWidget::setTabOrder(cmdSell, cmdPreviousTip);
    QWidget::setTabOrder(cmdPreviousTip, cmdRandomTip);
    QWidget::setTabOrder(cmdRandomTip, cmdNextTip);

    // A selection by mouse or keyboard; focus alone moves the current row without selecting.
    connect(LstStocks, &QListWidget::itemSelectionChanged, this, [this] {
        if (!LstStocks->selectedItems().isEmpty())
            LstStocks_Click();
    });
    connect(cmdFilter, &QPushButton::clicked, this, &FrmMain::cmdFilter_Click);
    connect(cmdSync, &QPushButton::clicked, this, &FrmMain::cmdSync_Click);
    connect(cmdBuy, &QPushButton::clicked, this, &FrmMain::cmdBuy_Click);
    connect(cmdSell, &QPushButton::clicked, this, &FrmMain::cmdSell_Click);
    connect(cmdPreviousTip, &QPushButton::clicked, this, &FrmMain::cmdPreviousTip_Click);
    connect(cmdRandomTip, &QPushButton::clicked, this, &FrmMain::cmdRandomTip_Click);
    connect(cmdNextTip, &QPushButton::clicked, this, &FrmMain::cmdNextTip_Click);
}

void FrmMain::Form_Load()
{
    // Only the tips draw random numbers; seeding from the clock keeps each start different.
    m_random.seed(quint32(QTime::currentTime().msecsSinceStartOfDay()));
    ShowStartupTip();

    StartupState start = loadStartup(m_folder);
    m_settings = start.settings;
    m_services = readServicesConfig(m_folder);
    applyProxy();
    startQuoteSync();
    StartMusic();
    m_game = start.game;
    showCash();
    fillStockList(start.stockList);
    if (start.openInfoPage)
        showInfoPage();

    m_panel = QuotePanel();
    renderQuotePanel();
    if (start.problem)
        Messages::inform(this, start.problem->text(), QMessageBox::Warning);
    emit loadFinished();
}

void FrmMain::startQuoteSync()
{
    m_sync = new QuoteSync(m_panel, m_settings, m_folder, m_services.quoteHost, std::make_unique<TcpSocket>(),
                           std::make_unique<SystemClock>(), this);
    Timer_Percent = new QTimer(this);
    Timer_Percent->setInterval(10);
    Timer_Seconde = new QTimer(this);
    Timer_Seconde->setInterval(1000);
    connect(Timer_Percent, &QTimer::timeout, m_sync, &QuoteSync::Timer_Percent_Timer);
    connect(Timer_Seconde, &QTimer::timeout, m_sync, &QuoteSync::Timer_Seconde_Timer);
    // The timers run only while a download is in progress.
    connect(m_sync, &QuoteSync::timersEnabledChanged, this, [this](bool on) {
        if (on) {
            Timer_Percent->start();
            Timer_Seconde->start();
        } else {
            Timer_Percent->stop();
            Timer_Seconde->stop();
        }
    });
    connect(m_sync, &QuoteSync::panelChanged, this, &FrmMain::renderQuotePanel);
    connect(m_sync, &QuoteSync::syncEnabledChanged, cmdSync, &QPushButton::setEnabled);
    connect(m_sync, &QuoteSync::messageRequested, this,
            [this](const QString &text) { Messages::inform(this, text); });
}

void FrmMain::applyProxy()
{
    // Chart images and the information page go through the player's proxy like the quotes.
    bool portOk = false;
    const quint16 port = m_settings.proxyPort.trimmed().toUShort(&portOk);
    if (m_settings.useProxy() && portOk)
        WebBrowser->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, m_settings.proxyHost.trimmed(), port));
    else
        WebBrowser->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

void FrmMain::showInfoPage()
{
    const QUrl page(m_services.infoPage);
    WebBrowser->navigate(page);
    // Without the market service the player still gets the page shipped with the game.
    connect(
        WebBrowser, &WebPane::loaded, this,
        [this, page](bool ok) {
            if (!ok && WebBrowser->currentUrl() == page)
                WebBrowser->navigate(QUrl::fromLocalFile(m_folder + QStringLiteral("/infos.html")));
        },
        Qt::SingleShotConnection);
}

void FrmMain::showCash()
{
    lblTicker->setText(QStringLiteral("Cash : ") + moneyToText(m_game.cash) + QStringLiteral("$"));
}

void FrmMain::fillStockList(const QStringList &tickers)
{
    const QSignalBlocker quiet(LstStocks);
    LstStocks->clear();
    LstStocks->addItems(tickers);
}

void FrmMain::renderQuotePanel()
{
    lblFullName->setText(m_panel.lblFullName);
    lblQuote->setText(m_panel.lblQuote);
    lblTrade->setText(m_panel.lblTrade);
    lblVariation->setText(m_panel.lblVariation);
    lblTime->setText(m_panel.lblTime);
    lblVolume->setText(m_panel.lblVolume);
    lblOwned->setText(m_panel.lblOwned);
    lblValue->setText(m_panel.lblValue);
    PicUp->setVisible(m_panel.picUpVisible);
    PicDown->setVisible(m_panel.picDownVisible);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // Every trade already rewrote the saved game: nothing to save, never refuse.
    if (m_sync)
        m_sync->abandon();
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
        m_frmNewPlayer = new frmNewPlayer(m_folder, this);
    bringToFront(m_frmNewPlayer);
}

void FrmMain::mnuLoadSaved_Click()
{
    if (!m_frmLoad) {
        m_frmLoad = new frmLoad(m_folder, m_game, m_settings, this);
        connect(m_frmLoad, &frmLoad::cashChanged, this, &FrmMain::showCash);
        connect(m_frmLoad, &frmLoad::stockListReplaced, this, &FrmMain::fillStockList);
        connect(m_frmLoad, &frmLoad::ownedReset, this, [this] {
            m_panel.lblOwned = QStringLiteral("0");
            renderQuotePanel();
        });
    }
    bringToFront(m_frmLoad);
}

void FrmMain::cmdSync_Click()
{
    m_sync->cmdSync_Click();
}

void FrmMain::LstStocks_Click()
{
    if (const auto refusal = browseRefusal(m_game)) {
        Messages::inform(this, *refusal);
        return;
    }
    const QString ticker = LstStocks->currentItem() ? LstStocks->currentItem()->text() : QString();
    selectStock(m_panel, m_game, ticker);
    picLogo->setPixmap(QPixmap(logoPath(m_folder, ticker)));
    renderQuotePanel();
    // The page is a scratch file the view does not need: a failed write only costs the file.
    writeChartPage(m_folder, m_services.chartHost, ticker);
    WebBrowser->navigate(chartImageUrl(m_services.chartHost, ticker));
    cmdSync_Click();
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
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
    const auto state = favoriteMenuState(m_folder, m_game, m_panel, button, &problem);
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
    if (FileStatus error = addSelectedToFavorites(m_folder, m_game, m_panel))
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

void FrmMain::mnuFavDel_Click()
{
    if (FileStatus error = removeSelectedFromFavorites(m_folder, m_game, m_panel))
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

template <class Dialog> void FrmMain::openTradeDialog(QPointer<Dialog> &dialog)
{
    if (!dialog) {
        dialog = new Dialog(m_folder, m_game, m_panel, this);
        connect(dialog, &TradeDialog::tradeCompleted, this, [this] {
            renderQuotePanel();
            showCash();
        });
    }
    dialog->openTrade();
}

void FrmMain::cmdBuy_Click()
{
    if (const auto refusal = buyRefusal(m_panel, m_game)) {
        showTradeMessage(this, *refusal);
        return;
    }
    openTradeDialog(m_frmBuy);
}

void FrmMain::cmdSell_Click()
{
    if (const auto refusal = sellRefusal(m_panel)) {
        showTradeMessage(this, *refusal);
        return;
    }
    openTradeDialog(m_frmSell);
}

void FrmMain::mnuStats_Click()
{
    frmStats->showFor(m_folder, m_game);
}

void FrmMain::mnuEnd_Click()
{
    close();
}

// Hooks and commands that later rooms fill in.
void FrmMain::ShowStartupTip()
{}
void FrmMain::StartMusic()
{}
void FrmMain::ShutDownMusic()
{}
void FrmMain::MnuProxy_Click()
{}
void FrmMain::mnuContent_Click()
{}
void FrmMain::mnuAbout_Click()
{}
void FrmMain::cmdFilter_Click()
{}
void FrmMain::cmdPreviousTip_Click()
{}
void FrmMain::cmdRandomTip_Click()
{}
void FrmMain::cmdNextTip_Click()
{}
