#include "tipspanel.h"

#include "platform/layoutscale.h"

#include <QLabel>
#include <QPushButton>

TipsPanel::TipsPanel(const QString &programFolder, std::unique_ptr<TipRandom> random, QWidget *parent)
    : QFrame(parent), m_random(random ? std::move(random) : std::make_unique<ClockSeededRandom>()),
      m_tips(programFolder, *m_random)
{
    setObjectName(QStringLiteral("picTips"));
    setFrameShape(QFrame::StyledPanel);
    lblTips = new QLabel(this);
    lblTips->setObjectName(QStringLiteral("lblTips"));
    lblTips->setGeometry(LayoutScale::scaled(QRect(8, 6, 157, 124)));
    // Tips are text: an ampersand in one is never an access key.
    lblTips->setTextFormat(Qt::PlainText);
    lblTips->setWordWrap(true);
    lblTips->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const auto button = [this](const char *name, const QString &caption, const QRect &geometry,
                               void (TipsPanel::*handler)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(LayoutScale::scaled(geometry));
        // Enter presses a focused button, as Space does (only dialogs do that by themselves).
        b->setAutoDefault(true);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    cmdPreviousTip = button("cmdPreviousTip", QStringLiteral("Previous"), QRect(4, 136, 56, 26),
                            &TipsPanel::cmdPreviousTip_Click);
    cmdRandomTip = button("cmdRandomTip", QStringLiteral("Random"), QRect(60, 136, 54, 26),
                          &TipsPanel::cmdRandomTip_Click);
    cmdNextTip =
        button("cmdNextTip", QStringLiteral("Next"), QRect(114, 136, 55, 26), &TipsPanel::cmdNextTip_Click);
}

TipsPanel::~TipsPanel() = default;

QList<QWidget *> TipsPanel::buttons() const
{
    return {cmdPreviousTip, cmdRandomTip, cmdNextTip};
}

void TipsPanel::showTip()
{
    lblTips->setText(m_tips.caption());
}

void TipsPanel::ShowStartupTip()
{
    m_tips.ShowStartupTip();
    showTip();
}

void TipsPanel::cmdPreviousTip_Click()
{
    m_tips.cmdPreviousTip_Click();
    showTip();
}

void TipsPanel::cmdRandomTip_Click()
{
    m_tips.cmdRandomTip_Click();
    showTip();
}

void TipsPanel::cmdNextTip_Click()
{
    m_tips.cmdNextTip_Click();
    showTip();
}
