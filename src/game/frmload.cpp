#include "frmload.h"

#include "gamenames.h"
#include "platform/messages.h"
#include "savedgamesdesk.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmLoad::frmLoad(SavedGamesDesk &desk, QWidget *parent) : QDialog(parent), m_desk(desk)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Load Game"));

    FileSavedGames = new QListWidget(this);
    FileSavedGames->setObjectName(QStringLiteral("FileSavedGames"));
    FileSavedGames->setSelectionMode(QAbstractItemView::SingleSelection);
    const SavedGamePreview empty;
    Label2 = new QLabel(empty.moneyText, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label1 = new QLabel(empty.ownerText, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    for (QLabel *label : {Label2, Label1})
        label->setTextFormat(Qt::PlainText);
    cmdLoad = new QPushButton(QStringLiteral("Load Player"), this);
    cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdLoad->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdLoad);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FileSavedGames);
    layout->addWidget(Label2);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    setMinimumSize(320, 300);

    setTabOrder(FileSavedGames, cmdLoad);
    setTabOrder(cmdLoad, cmdCancel);
    FileSavedGames->setFocus();
    FileSavedGames->installEventFilter(this);

    connect(FileSavedGames, &QListWidget::itemSelectionChanged, this, &frmLoad::FileSavedGames_Click);
    // Enter in the list reaches the default button, so only a double click loads from here.
    connect(FileSavedGames, &QListWidget::itemDoubleClicked, this, &frmLoad::cmdLoad_Click);
    connect(cmdLoad, &QPushButton::clicked, this, &frmLoad::cmdLoad_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLoad::cmdCancel_Click);

    Form_Load();
}

// Focus makes the first game current without selecting it, so the list's own Down would skip it:
// the first arrow selects the current game instead.
bool frmLoad::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FileSavedGames && event->type() == QEvent::KeyPress &&
        FileSavedGames->selectedItems().isEmpty() && FileSavedGames->currentItem()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            FileSavedGames->currentItem()->setSelected(true);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmLoad::Form_Load()
{
    FileSavedGames->addItems(listSavedGames(m_desk.folder().path));
}

void frmLoad::FileSavedGames_Click()
{
    const QString file = selectedFile();
    const SavedGamePreview preview =
        file.isEmpty() ? SavedGamePreview{} : previewSavedGame(m_desk.folder(), file);
    Label2->setText(preview.moneyText);
    Label1->setText(preview.ownerText);
}

void frmLoad::cmdLoad_Click()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    if (const FileStatus error = m_desk.loadGame(file)) {
        Messages::inform(this, error->text() + QStringLiteral("\nThe game in play was not changed."),
                         QMessageBox::Warning);
        return;
    }
    // With the favourites loaded the dialog stays, so another game can be tried at once.
    if (!m_desk.loadsFavorites())
        close();
}

void frmLoad::cmdCancel_Click()
{
    close();
}

QString frmLoad::selectedFile() const
{
    const QList<QListWidgetItem *> selected = FileSavedGames->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
