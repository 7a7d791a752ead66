#include "messages.h"

namespace {
Messages::Script &script()
{
    static Messages::Script s;
    return s;
}
} // namespace

void Messages::inform(QWidget *parent, const QString &text, QMessageBox::Icon icon)
{
    MessageRequest request;
    request.title = programTitle();
    request.text = text;
    request.icon = icon;
    ask(parent, request);
}

QMessageBox::StandardButton Messages::ask(QWidget *parent, const MessageRequest &request)
{
    if (script())
        return script()(request);
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    box.setDefaultButton(request.defaultButton);
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}

void Messages::setScript(Script s)
{
    script() = std::move(s);
}
