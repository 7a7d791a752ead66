#include "frmoptions.h"

#include "extras/optionsdesk.h"
#include "trading/tradedialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

QString musicCredits()
{
    return QStringLiteral(
        "Music: \"Ticker Tape Morning\", composed and arranged for Quorvane by its developers, "
        "played from a 4-channel Protracker module.");
}

namespace {
template <class W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}
} // namespace

frmOptions::frmOptions(OptionsDesk &desk, QWidget *parent) : QDialog(parent), m_desk(desk)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Game Options"));

    txtLoad = named(new QLineEdit(QStringLiteral("player"), this), "txtLoad");
    CheckLoadFav = named(new QCheckBox(QStringLiteral("Load my favorites quotes"), this), "CheckLoadFav");
    CheckMusic = named(
        new QCheckBox(QStringLiteral("Enable Music (restart game if you want to enable the music)"), this),
        "CheckMusic");
    auto *credits = named(new QLabel(musicCredits(), this), "lblMusic");
    credits->setWordWrap(true);
    Option1 = named(new QRadioButton(QStringLiteral("I'm not using a proxy"), this), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("I'm behind a proxy"), this), "Option2");
    lblProxyAddress = named(new QLabel(QStringLiteral("Proxy Adress :"), this), "lblProxyAddress");
    lblProxyPort = named(new QLabel(QStringLiteral("Proxy Port :"), this), "lblProxyPort");
    Text1 = named(new QLineEdit(this), "Text1");
    Text2 = named(new QLineEdit(this), "Text2");
    lblProxyAddress->setBuddy(Text1);
    lblProxyPort->setBuddy(Text2);
    cmdOk = named(new QPushButton(QStringLiteral("Save and Close"), this), "cmdOk");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    cmdOk->setDefault(true);

    auto *proxyBoxes = new QGridLayout;
    proxyBoxes->addWidget(lblProxyAddress, 0, 0);
    proxyBoxes->addWidget(Text1, 0, 1);
    proxyBoxes->addWidget(lblProxyPort, 1, 0);
    proxyBoxes->addWidget(Text2, 1, 1);
    proxyBoxes->setContentsMargins(20, 0, 0, 0);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading(QStringLiteral("Default Player Options"), this));
    layout->addWidget(txtLoad);
    layout->addWidget(
        new QLabel(QStringLiteral("This game will be loaded automatically on game start."), this));
    layout->addWidget(CheckLoadFav);
    layout->addSpacing(8);
    layout->addWidget(heading(QStringLiteral("Game Options"), this));
    layout->addWidget(CheckMusic);
    layout->addWidget(credits);
    layout->addWidget(Option1);
    layout->addWidget(Option2);
    layout->addLayout(proxyBoxes);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(440);

    Option1->setChecked(true);
    showSettings();
    Option1_Click();
    connect(Option1, &QRadioButton::toggled, this, &frmOptions::Option1_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
}

void frmOptions::showSettings()
{
    // Opening on the saved settings, so saving again does not quietly reset them.
    const Settings &s = m_desk.settings();
    if (s.firstLine.isEmpty())
        return; // nothing was read: the initial state stands
    txtLoad->setText(s.defaultGame);
    CheckLoadFav->setChecked(s.loadFavorites());
    CheckMusic->setChecked(s.musicEnabled());
    if (s.useProxy()) {
        Option2->setChecked(true);
        Text1->setText(s.proxyHost);
        Text2->setText(s.proxyPort);
    }
}

void frmOptions::Option1_Click()
{
    const bool direct = Option1->isChecked();
    // The classic greys on a light desktop; a dark one keeps its own colours, where a white box
    // would hide the white text typed into it and a dark grey caption would vanish.
    const QPalette &desktop = palette();
    const bool dark = desktop.color(QPalette::Window).lightness() < 128;
    const QColor box =
        direct ? (dark ? desktop.color(QPalette::Disabled, QPalette::Base) : QColor(224, 224, 224))
               : (dark ? desktop.color(QPalette::Active, QPalette::Base) : QColor(Qt::white));
    const QColor caption = !direct ? desktop.color(QPalette::ButtonText)
                           : dark  ? desktop.color(QPalette::Disabled, QPalette::WindowText)
                                   : QColor(64, 64, 64);
    for (QLineEdit *edit : {Text1, Text2}) {
        edit->setEnabled(!direct);
        QPalette p = edit->palette();
        p.setColor(QPalette::Disabled, QPalette::Base, box);
        p.setColor(QPalette::Active, QPalette::Base, box);
        p.setColor(QPalette::Inactive, QPalette::Base, box);
        edit->setPalette(p);
    }
    for (QLabel *label : {lblProxyAddress, lblProxyPort}) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, caption);
        label->setPalette(p);
    }
}

void frmOptions::cmdOk_Click()
{
    SettingsChoice choice;
    choice.defaultGame = txtLoad->text();
    choice.loadFavorites = CheckLoadFav->isChecked();
    choice.enableMusic = CheckMusic->isChecked();
    choice.useProxy = Option2->isChecked();
    choice.proxyHost = Text1->text();
    choice.proxyPort = Text2->text();
    if (const std::optional<TradeMessage> refusal = m_desk.saveOptions(choice)) {
        showTradeMessage(this, *refusal);
        return;
    }
    emit saved(choice);
    close();
}
