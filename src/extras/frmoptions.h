#pragma once

#include "model/settings.h"

#include <QDialog>

class OptionsDesk;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The piece the game plays, as the options name it.
QString musicCredits();

// "Game Options": the default game, favourites at start, music and the HTTP proxy.
// Modeless; it opens on the settings in force and writes options.cfg only on "Save and Close".
class frmOptions : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptions(OptionsDesk &desk, QWidget *parent = nullptr);

signals:
    // The choice was written to options.cfg.
    void saved(const SettingsChoice &choice);

private:
    void showSettings();
    void Option1_Click();
    void cmdOk_Click();

    OptionsDesk &m_desk;
    QLineEdit *txtLoad = nullptr;
    QCheckBox *CheckLoadFav = nullptr;
    QCheckBox *CheckMusic = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QLabel *lblProxyAddress = nullptr;
    QLabel *lblProxyPort = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr;
};
