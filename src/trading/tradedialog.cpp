#include "tradedialog.h"

#include "platform/layoutscale.h"
#include "platform/messages.h"
#include "tradedesk.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
QLabel *plainLabel(const QString &text, QWidget *parent, const QString &name = QString())
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

QLineEdit *box(const QString &name, bool readOnly, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    edit->setFixedWidth(LayoutScale::scaled(110));
    return edit;
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Enter belongs to the quantity box; it must never press Cancel.
    b->setAutoDefault(false);
    return b;
}
} // namespace

void showTradeMessage(QWidget *parent, const TradeMessage &message)
{
    MessageRequest request;
    request.title = message.title.isEmpty() ? Messages::programTitle() : message.title;
    request.text = message.text;
    switch (message.icon) {
    case TradeMessage::Icon::None:
        request.icon = QMessageBox::NoIcon;
        break;
    case TradeMessage::Icon::Information:
        request.icon = QMessageBox::Information;
        break;
    case TradeMessage::Icon::Warning:
        request.icon = QMessageBox::Warning;
        break;
    }
    Messages::ask(parent, request);
}

TradeDialog::TradeDialog(TradeKind kind, const Captions &captions, TradeDesk &desk, QWidget *parent)
    : QDialog(parent), m_kind(kind), m_desk(desk)
{
    setWindowTitle(captions.title);
    setModal(false);

    lblAlert = plainLabel(QString(), this, QStringLiteral("lblAlert"));
    lblAlert->setWordWrap(true);
    m_slider = new QScrollBar(Qt::Horizontal, this);
    m_slider->setObjectName(captions.sliderName);
    m_slider->setRange(0, 0);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(1);
    // A scroll bar takes no focus by default; the keyboard reaches it with Shift+Tab from the
    // quantity, and the arrow keys move it.
    m_slider->setFocusPolicy(Qt::StrongFocus);
    txtQty = box(QStringLiteral("txtQty"), false, this);
    lblPrice = plainLabel(QString(), this, QStringLiteral("lblPrice"));
    txtPay = box(QStringLiteral("txtPay"), true, this);
    txtCash = box(QStringLiteral("txtCash"), true, this);
    m_confirm = button(captions.confirmName, captions.confirmCaption, this);
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), this);

    auto *figures = new QGridLayout;
    figures->addWidget(plainLabel(captions.quantityCaption, this), 0, 0);
    figures->addWidget(txtQty, 0, 1);
    figures->addWidget(lblPrice, 0, 2);
    figures->addWidget(plainLabel(captions.amountCaption, this), 1, 0);
    figures->addWidget(txtPay, 1, 1);
    figures->addWidget(plainLabel(QStringLiteral(" USD"), this), 1, 2);
    figures->addWidget(plainLabel(QStringLiteral("Cash after Operation :"), this), 2, 0);
    figures->addWidget(txtCash, 2, 1);
    figures->addWidget(plainLabel(QStringLiteral(" USD"), this), 2, 2);
    figures->setColumnStretch(2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_confirm);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblAlert);
    layout->addWidget(m_slider);
    layout->addLayout(figures);
    layout->addLayout(buttons);
    setFixedWidth(LayoutScale::scaled(360));

    txtQty->installEventFilter(this);
    connect(txtQty, &QLineEdit::textChanged, this, &TradeDialog::txtQty_Change);
    connect(cmdCancel, &QPushButton::clicked, this, &TradeDialog::cmdCancel_Click);
}

void TradeDialog::openTrade()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    // Counted once however it was hidden before.
    if (m_counted)
        m_desk.endTrade();
    const TradeOpening opening = m_desk.beginTrade(m_kind);
    m_counted = true;
    lblAlert->setText(opening.lblAlert);
    lblPrice->setText(opening.lblPrice);
    {
        // The boxes start empty: resetting them is not a change of quantity.
        const QSignalBlocker quietSlider(m_slider);
        const QSignalBlocker quietQuantity(txtQty);
        m_slider->setRange(0, opening.scrollMaximum);
        m_slider->setPageStep(opening.largeStep);
        m_slider->setValue(0);
        txtQty->clear();
    }
    txtPay->clear();
    txtCash->clear();
    show();
    raise();
    activateWindow();
    txtQty->setFocus();
}

void TradeDialog::done(int result)
{
    if (m_counted) {
        m_counted = false;
        m_desk.endTrade();
    }
    QDialog::done(result);
}

bool TradeDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtQty && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            txtQty_KeyPress(13);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TradeDialog::sliderChanged(int value)
{
    txtQty->setText(QString::number(value));
}

void TradeDialog::txtQty_Change(const QString &text)
{
    const TradeAmounts amounts = m_desk.tradeAmounts(m_kind, text);
    txtPay->setText(amounts.txtPay);
    txtCash->setText(amounts.txtCash);
}

void TradeDialog::txtQty_KeyPress(int key)
{
    if (key == 13)
        confirm();
}

void TradeDialog::confirm()
{
    const TradeOutcome outcome = m_desk.trade(m_kind, txtQty->text(), txtPay->text());
    if (!outcome.cashText.isEmpty())
        txtCash->setText(outcome.cashText);
    if (outcome.refusal) {
        showTradeMessage(this, *outcome.refusal);
        return;
    }
    if (outcome.notice)
        showTradeMessage(this, *outcome.notice);
    accept();
}

void TradeDialog::cmdCancel_Click()
{
    reject();
}
