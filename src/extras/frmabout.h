#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;

// Where players write to and read about the game; one place, used by the about box.
struct ProjectContact
{
    static QString mailAddress();
    static QString webAddress();
    // "mailto:" + address + "?subject=Quorvane", what the contact link opens.
    static QUrl mailLink();
};

// "About Quorvane": name, version, credits, licence and the two links. Modeless.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // `programFolder` holds the picture beside the credits.
    explicit frmAbout(const QString &programFolder, QWidget *parent = nullptr);

private:
    void Text1_Click();
    void Text2_Click();

    QLabel *Text1 = nullptr;
    QLabel *Text2 = nullptr;
    QPushButton *cmdOk = nullptr;
};
