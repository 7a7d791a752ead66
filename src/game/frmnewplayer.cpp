#include "frmnewplayer.h"

#include "platform/messages.h"
#include "savedgamesdesk.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    // Game names are shown as typed, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

template <typename Button> Button *makeButton(const QString &name, const QString &text, QWidget *parent)
{
    auto *button = new Button(parent);
    button->setObjectName(name);
    // Captions are literal texts; an ampersand must not become an access key.
    button->setText(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
    return button;
}
} // namespace

frmNewPlayer::frmNewPlayer(SavedGamesDesk &desk, QWidget *parent) : QDialog(parent), m_desk(desk)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Create New Player"));

    Label1 =
        makeLabel(QStringLiteral("Label1"),
                  QStringLiteral("When you create a new player, a specific savegame is made. If you want to "
                                 "load it on gamestart, go to the option window."),
                  this);
    Label2 = makeLabel(QStringLiteral("Label2"), newGamePreviewText(QStringLiteral("Player1")), this);
    txtPlayerName = new QLineEdit(QStringLiteral("Player1"), this);
    txtPlayerName->setObjectName(QStringLiteral("txtPlayerName"));
    Label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("Difficulty Level"), this);
    Option1 = makeButton<QRadioButton>(QStringLiteral("Option1"),
                                       QStringLiteral("Easy - Begin with 100 000 $"), this);
    Option2 = makeButton<QRadioButton>(QStringLiteral("Option2"),
                                       QStringLiteral("Medium - Begin with 10 000 $"), this);
    Option3 = makeButton<QRadioButton>(QStringLiteral("Option3"), QStringLiteral("Hard - Begin with 2 000 $"),
                                       this);
    Option1->setChecked(true);
    auto *levels = new QButtonGroup(this);
    levels->addButton(Option1);
    levels->addButton(Option2);
    levels->addButton(Option3);
    cmdOk = makeButton<QPushButton>(QStringLiteral("cmdOk"), QStringLiteral("Create Player"), this);
    cmdCancel = makeButton<QPushButton>(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), this);
    cmdOk->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(8);
    layout->addWidget(Label2);
    layout->addWidget(txtPlayerName);
    layout->addSpacing(8);
    layout->addWidget(Label3);
    layout->addWidget(Option1);
    layout->addWidget(Option2);
    layout->addWidget(Option3);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    setTabOrder(txtPlayerName, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    txtPlayerName->setFocus();

    connect(txtPlayerName, &QLineEdit::textChanged, this, &frmNewPlayer::txtPlayerName_Change);
    connect(cmdOk, &QPushButton::clicked, this, &frmNewPlayer::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmNewPlayer::cmdCancel_Click);
}

void frmNewPlayer::txtPlayerName_Change(const QString &text)
{
    const QString limited = limitGameName(text);
    if (limited != text) {
        // Setting the text calls this handler again, which then writes the preview.
        const int dropped = int(text.size() - limited.size());
        const int cursor = txtPlayerName->cursorPosition();
        txtPlayerName->setText(limited);
        txtPlayerName->setCursorPosition(qMax(0, cursor - dropped));
        return;
    }
    Label2->setText(newGamePreviewText(text));
}

void frmNewPlayer::cmdOk_Click()
{
    const QString gameName = txtPlayerName->text();
    if (const std::optional<QString> problem = gameNameProblem(gameName)) {
        Messages::inform(
            this,
            QStringLiteral("The name \"%1\" cannot be used for a saved game: %2. Nothing was written.")
                .arg(gameName, *problem),
            QMessageBox::Warning);
        return;
    }
    if (m_desk.savedGameExists(gameName)) {
        MessageRequest question;
        question.title = Messages::programTitle();
        question.text = replaceQuestionText(gameName);
        question.icon = QMessageBox::Question;
        question.buttons = QMessageBox::Yes | QMessageBox::No;
        question.defaultButton = QMessageBox::No;
        if (Messages::ask(this, question) != QMessageBox::Yes)
            return;
    }
    if (const FileStatus error = m_desk.createGame(gameName, selectedLevel()))
        Messages::inform(this, error->text(), QMessageBox::Warning);
}

void frmNewPlayer::cmdCancel_Click()
{
    close();
}

GameLevel frmNewPlayer::selectedLevel() const
{
    if (Option1->isChecked())
        return GameLevel::Easy;
    if (Option2->isChecked())
        return GameLevel::Medium;
    return GameLevel::Hard;
}
