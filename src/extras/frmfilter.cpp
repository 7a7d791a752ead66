#include "frmfilter.h"

#include "extras/sectorfilter.h"
#include "extras/stockfilterdesk.h"
#include "platform/layoutscale.h"
#include "platform/messages.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char *const kBoxIndex = "filterBoxIndex";
}

frmFilter::frmFilter(StockFilterDesk &desk, QWidget *parent) : QDialog(parent), m_desk(desk)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(QStringLiteral("Industries Filter"));

    lblTicker = new QLabel(filterHeading(), this);
    lblTicker->setObjectName(QStringLiteral("lblTicker"));
    lblTicker->setWordWrap(true);
    QFont heading = lblTicker->font();
    heading.setBold(true);
    lblTicker->setFont(heading);

    auto *boxes = new QVBoxLayout;
    boxes->setSpacing(2);
    const auto &all = filterBoxes();
    for (std::size_t i = 0; i < all.size(); ++i) {
        auto *box = new QCheckBox(all[i].caption(), this);
        box->setObjectName(QLatin1String(all[i].objectName));
        box->setProperty(kBoxIndex, int(i));
        // One size for all, so the column reads as a list.
        box->setFixedSize(LayoutScale::scaled(QRect(0, 0, 170, 22)).size());
        box->setAttribute(Qt::WA_Hover);
        box->installEventFilter(this);
        boxes->addWidget(box);
        if (all[i].sector) {
            box->setChecked(true);
            m_sectorBoxes.append(box);
        } else {
            CheckFavorites = box;
        }
    }
    boxes->addStretch();

    lblDescription = new QLabel(filterInitialDescription(), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    // Descriptions hold ampersands ("Oil & Gas"): plain text, never access keys.
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setFrameShape(QFrame::StyledPanel);
    lblDescription->setMargin(6);
    lblDescription->setMinimumWidth(LayoutScale::scaled(300));

    cmdRefresh = new QPushButton(QStringLiteral("Apply"), this);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdRefresh);
    buttons->addWidget(cmdOk);
    auto *grid = new QGridLayout(this);
    grid->addWidget(lblTicker, 0, 0, 1, 2);
    grid->addLayout(boxes, 1, 0);
    grid->addWidget(lblDescription, 1, 1);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    resize(LayoutScale::scaled(QRect(0, 0, 520, 380)).size());

    connect(CheckFavorites, &QCheckBox::toggled, this, &frmFilter::CheckFavorites_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmFilter::cmdRefresh_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmFilter::cmdOk_Click);
}

bool frmFilter::eventFilter(QObject *watched, QEvent *event)
{
    // The pointer over a box, or keyboard focus on it, shows its description; it stays after.
    // Only focus moved by the keyboard counts: the focus a box gets when the dialog opens or is
    // activated must not replace the initial text.
    const QEvent::Type type = event->type();
    const bool byKeyboard = type == QEvent::FocusIn && [event] {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
               reason == Qt::ShortcutFocusReason;
    }();
    if (type == QEvent::HoverEnter || type == QEvent::HoverMove || byKeyboard) {
        const QVariant index = watched->property(kBoxIndex);
        if (index.isValid())
            lblDescription->setText(filterBoxes()[std::size_t(index.toInt())].description());
    }
    return QDialog::eventFilter(watched, event);
}

void frmFilter::CheckFavorites_Click()
{
    // Disabling keeps each box's tick, so unticking the favourites restores the selection.
    for (QCheckBox *box : m_sectorBoxes)
        box->setEnabled(!CheckFavorites->isChecked());
}

void frmFilter::rebuildStockList()
{
    QList<Sector> ticked;
    const auto &all = filterBoxes();
    for (QCheckBox *box : m_sectorBoxes)
        if (box->isChecked())
            ticked.append(*all[std::size_t(box->property(kBoxIndex).toInt())].sector);
    if (FileStatus error = m_desk.applyFilter(CheckFavorites->isChecked(), ticked))
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

void frmFilter::cmdRefresh_Click()
{
    rebuildStockList();
}

void frmFilter::cmdOk_Click()
{
    rebuildStockList();
    close();
}
