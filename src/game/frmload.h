#pragma once

#include <QDialog>

class SavedGamesDesk;
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
    explicit frmLoad(SavedGamesDesk &desk, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void FileSavedGames_Click();
    void cmdLoad_Click();
    void cmdCancel_Click();
    QString selectedFile() const;

    SavedGamesDesk &m_desk;
    QListWidget *FileSavedGames;
    QLabel *Label2;
    QLabel *Label1;
    QPushButton *cmdLoad;
    QPushButton *cmdCancel;
};
