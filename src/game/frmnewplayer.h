#pragma once

#include "gamenames.h"

#include <QDialog>

class SavedGamesDesk;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Writes the files of a new game; the running game stays as it is until the player loads
// the new one. Modeless; Cancel, Escape or the title bar close and destroy it.
class frmNewPlayer : public QDialog
{
    Q_OBJECT

public:
    explicit frmNewPlayer(SavedGamesDesk &desk, QWidget *parent = nullptr);

private:
    void txtPlayerName_Change(const QString &text);
    void cmdOk_Click();
    void cmdCancel_Click();
    GameLevel selectedLevel() const;

    SavedGamesDesk &m_desk;
    QLabel *Label1;
    QLineEdit *txtPlayerName;
    QLabel *Label2;
    QLabel *Label3;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QRadioButton *Option3;
    QPushButton *cmdOk;
    QPushButton *cmdCancel;
};
