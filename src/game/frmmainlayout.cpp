// How the main window is laid out: its menus and controls, their names, captions and places.
// What they do is in frmmain.cpp.
#include "frmmain.h"

#include "extras/tipspanel.h"
#include "game/mainwindowparts.h"
#include "platform/layoutscale.h"
#include "platform/webpane.h"
#include "trading/frmstats.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>

void FrmMain::buildMenus()
{
    using Handler = void (FrmMain::*)();
    const auto action = [this](QMenu *menu, const char *name, const QString &caption,
                               QStyle::StandardPixmap pic, Handler handler) {
        QAction *a =
            menu->addAction(pic == QStyle::SP_CustomBase ? QIcon() : style()->standardIcon(pic), caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    const auto menu = [this](const QString &caption, const char *name) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    QMenu *mnuFile = menu(QStringLiteral("&File"), "mnuFile");
    mnuNewGame = action(mnuFile, "mnuNewGame", QStringLiteral("&Start New Game"), QStyle::SP_FileIcon,
                        &FrmMain::mnuNewGame_Click);
    mnuLoadSaved = action(mnuFile, "mnuLoadSaved", QStringLiteral("&Load Saved Game"),
                          QStyle::SP_DialogOpenButton, &FrmMain::mnuLoadSaved_Click);
    mnuFile->addSeparator();
    mnuEnd = action(mnuFile, "mnuEnd", QStringLiteral("&Quit Quorvane"), QStyle::SP_CustomBase,
                    &FrmMain::mnuEnd_Click);

    QMenu *mnuOptions = menu(QStringLiteral("&Options"), "mnuOptions");
    mnuStats = action(mnuOptions, "mnuStats", QStringLiteral("&Statistics"),
                      QStyle::SP_FileDialogDetailedView, &FrmMain::mnuStats_Click);
    mnuOrders = action(mnuOptions, "mnuOrders", QStringLiteral("&Orders"), QStyle::SP_FileDialogListView,
                       &FrmMain::mnuOrders_Click);
    MnuProxy = action(mnuOptions, "MnuProxy", QStringLiteral("&Configuration"), QStyle::SP_ComputerIcon,
                      &FrmMain::MnuProxy_Click);

    QMenu *mnuHelp = menu(QStringLiteral("?"), "mnuHelp");
    mnuContent = action(mnuHelp, "mnuContent", QStringLiteral("&Content"), QStyle::SP_DialogHelpButton,
                        &FrmMain::mnuContent_Click);
    // The desktop's usual keys, shown beside the entries.
    mnuContent->setShortcut(QKeySequence(Qt::Key_F1));
    mnuEnd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuHelp->addSeparator();
    mnuAbout = action(mnuHelp, "mnuAbout", QStringLiteral("&About"), QStyle::SP_MessageBoxInformation,
                      &FrmMain::mnuAbout_Click);

    // The stock list's pop-up menu; never in the menu bar.
    mnuContextMenu = new QMenu(QStringLiteral("Menu"), this);
    mnuContextMenu->setObjectName(QStringLiteral("mnuContextMenu"));
    mnuFavAdd = action(mnuContextMenu, "mnuFavAdd", QStringLiteral("Add to Favorites"),
                       QStyle::SP_DialogYesButton, &FrmMain::mnuFavAdd_Click);
    mnuFavDel = action(mnuContextMenu, "mnuFavDel", QStringLiteral("Remove from Favorites"),
                       QStyle::SP_DialogNoButton, &FrmMain::mnuFavDel_Click);
    mnuContextMenu->addSeparator();
    mnuPlaceOrder = action(mnuContextMenu, "mnuPlaceOrder", QStringLiteral("Place Order..."),
                           QStyle::SP_FileDialogNewFolder, &FrmMain::mnuPlaceOrder_Click);
}

void FrmMain::buildClientArea(const QString &programFolder, std::unique_ptr<TipRandom> tipRandom)
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(LayoutScale::scaled(QRect(0, 0, kClientWidth, kClientHeight)).size());
    setCentralWidget(client);
    const auto button = [this](QWidget *parent, const char *name, const QString &caption,
                               const QRect &geometry, void (FrmMain::*handler)()) {
        auto *b = new QPushButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(LayoutScale::scaled(geometry));
        // Enter presses a focused button, as Space does (only dialogs do that by themselves).
        b->setAutoDefault(true);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    const auto bold = [](QLabel *label) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    };

    // Left column: cash banner, stock list and its filter button.
    lblTicker = valueLabel(client, "lblTicker", QRect(8, 6, 124, 20));
    bold(lblTicker);
    LstStocks = new QListWidget(client);
    LstStocks->setObjectName(QStringLiteral("LstStocks"));
    LstStocks->setGeometry(LayoutScale::scaled(QRect(8, 30, 96, 392)));
    // Kept sorted by fillStockList.
    LstStocks->setSortingEnabled(false);
    LstStocks->setSelectionMode(QAbstractItemView::SingleSelection);
    // Thousands of favourites are laid out a piece at a time from the event loop, so the first
    // paint does not wait for rows nobody sees yet. Rows keep their own widths, which a long
    // ticker's horizontal scrolling needs.
    LstStocks->setLayoutMode(QListView::Batched);
    LstStocks->setBatchSize(200);
    cmdFilter =
        button(client, "cmdFilter", QStringLiteral("..."), QRect(108, 30, 24, 24), &FrmMain::cmdFilter_Click);
    cmdFilter->setToolTip(QStringLiteral("Filter the list by sector"));

    // "Share Quotes": one caption and one value per row.
    auto *quotes = new QGroupBox(QStringLiteral("Share Quotes"), client);
    quotes->setObjectName(QStringLiteral("fraQuotes"));
    quotes->setGeometry(LayoutScale::scaled(QRect(136, 4, 346, 176)));
    picLogo = new QLabel(quotes);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(LayoutScale::scaled(QRect(272, 100, 64, 64)));
    picLogo->setAlignment(Qt::AlignCenter);
    lblFullName = valueLabel(quotes, "lblFullName", QRect(10, 22, 320, 18));
    bold(lblFullName);

    constexpr int captionWidth = 118;
    constexpr int valueX = 10 + captionWidth;
    const struct
    {
        const char *caption;
        const char *name;
        int width;
        QLabel **label;
    } rows[] = {
        {"Selected : ", "lblQuote", 100, &lblQuote}, {"Last Trade (USD) :", "lblTrade", 46, &lblTrade},
        {"Trade Time :", "lblTime", 136, &lblTime},  {"Volume :", "lblVolume", 136, &lblVolume},
        {"Owned :", "lblOwned", 136, &lblOwned},     {"Total Value (USD) :", "lblValue", 136, &lblValue},
    };
    constexpr int firstRowY = 44;
    constexpr int rowHeight = 21;
    int y = firstRowY;
    for (const auto &row : rows) {
        captionLabel(quotes, QLatin1String(row.caption), QRect(10, y, captionWidth, 18));
        *row.label = valueLabel(quotes, row.name, QRect(valueX, y, row.width, 18));
        y += rowHeight;
    }
    // The arrows and the change share the last trade's row.
    constexpr int tradeY = firstRowY + rowHeight;
    for (QLabel **arrow : {&PicUp, &PicDown}) {
        *arrow = new QLabel(quotes);
        (*arrow)->setObjectName(arrow == &PicUp ? QStringLiteral("PicUp") : QStringLiteral("PicDown"));
        (*arrow)->setPixmap(arrowPixmap(arrow == &PicUp));
        (*arrow)->setGeometry(LayoutScale::scaled(QRect(valueX + 48, tradeY + 2, 10, 14)));
    }
    lblVariation = valueLabel(quotes, "lblVariation", QRect(valueX + 62, tradeY, 154, 18));

    // Tips of the day, top right.
    m_tips = new TipsPanel(programFolder, std::move(tipRandom), client);
    m_tips->setGeometry(LayoutScale::scaled(QRect(488, 10, 173, 170)));

    // The chart and information page, with the trading buttons and history box beside it.
    WebBrowser = new WebPane(client);
    WebBrowser->setObjectName(QStringLiteral("WebBrowser"));
    WebBrowser->setGeometry(LayoutScale::scaled(QRect(136, 186, 415, 240)));
    cmdSync = button(client, "cmdSync", QStringLiteral("Synchronize"), QRect(561, 186, 100, 28),
                     &FrmMain::cmdSync_Click);
    cmdBuy =
        button(client, "cmdBuy", QStringLiteral("BUY"), QRect(561, 218, 100, 28), &FrmMain::cmdBuy_Click);
    cmdSell =
        button(client, "cmdSell", QStringLiteral("SELL"), QRect(561, 250, 100, 28), &FrmMain::cmdSell_Click);
    m_history = new HistoryBox(client);
    m_history->setGeometry(LayoutScale::scaled(QRect(561, 284, 100, 142)));
    connect(m_history, &HistoryBox::cancelRequested, this, &FrmMain::cancelOrder);
    connect(m_history, &HistoryBox::placeOrderRequested, this, &FrmMain::mnuPlaceOrder_Click);
    connect(m_history, &HistoryBox::ordersRequested, this, &FrmMain::mnuOrders_Click);

    // Over everything else, hidden until "Statistics" is chosen.
    frmStats = new FrmStats(client);

    // The right button opens the favourites menu without selecting the row under it.
    LstStocks->viewport()->installEventFilter(this);
    LstStocks->installEventFilter(this);
    const QList<QWidget *> tabOrder = QList<QWidget *>{LstStocks, cmdFilter, cmdSync, cmdBuy, cmdSell} +
                                      m_history->focusChain() + m_tips->buttons();
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // A selection by mouse or keyboard; focus alone moves the current row without selecting.
    connect(LstStocks, &QListWidget::itemSelectionChanged, this, [this] {
        if (!LstStocks->selectedItems().isEmpty())
            LstStocks_Click();
    });
}
