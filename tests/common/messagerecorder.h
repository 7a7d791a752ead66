#pragma once

#include "platform/messages.h"

#include <QList>

// Answers every message box of the program during a test and remembers what it showed.
// Answers are taken from `answers` in order; when they run out, the default button.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        Messages::setScript([this](const MessageRequest &r) {
            shown.append(r);
            if (!answers.isEmpty())
                return answers.takeFirst();
            return r.defaultButton;
        });
    }
    ~MessageRecorder() { Messages::setScript({}); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QStringList texts() const
    {
        QStringList t;
        for (const MessageRequest &r : shown)
            t.append(r.text);
        return t;
    }

    QList<MessageRequest> shown;
    QList<QMessageBox::StandardButton> answers;
};
