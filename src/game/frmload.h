#pragma once

#include "model/gamestate.h"
#include "model/settings.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

// Switches the running game to a saved game of the program folder. The list is read once,
// when the dialog is made. Modeless; Cancel, Escape, the title bar, or a load with favourites
// loading off close and destroy it.
class frmLoad : public QDialog
{
    Q_OBJECT

public:
    frmLoad(const QString &programFolder, GameState &state, const Settings &settings,
            QWidget *parent = nullptr);

signals:
    // The cash of the state changed: the banner shows it again.
    void cashChanged();
    // Favourites loading on: the stock list now holds exactly these tickers.
    void stockListReplaced(const QStringList &tickers);
    // Favourites loading off: the owned-shares label shows "0".
    void ownedReset();

private:
    void Form_Load();
    void FileSavedGames_Click();
    void cmdLoad_Click();
    void cmdCancel_Click();
    QString selectedFile() const;

    QString m_programFolder;
    GameState &m_state;
    const Settings &m_settings;
    QListWidget *FileSavedGames;
    QLabel *Label2;
    QLabel *Label1;
    QPushButton *cmdLoad;
    QPushButton *cmdCancel;
};
