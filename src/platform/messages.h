#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// What a message box would show.
struct MessageRequest
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
};

// Every message box of the program goes through here, so tests can answer them
// without a modal loop blocking the run.
class Messages
{
public:
    static QString programTitle() { return QStringLiteral("Quorvane"); }

    // A message with only an OK button and the program's title.
    static void inform(QWidget *parent, const QString &text,
                       QMessageBox::Icon icon = QMessageBox::Information);
    static QMessageBox::StandardButton ask(QWidget *parent, const MessageRequest &request);

    // Tests: answer every message with this function instead of showing a box.
    using Script = std::function<QMessageBox::StandardButton(const MessageRequest &)>;
    static void setScript(Script script);
};
