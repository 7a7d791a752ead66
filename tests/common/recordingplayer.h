#pragma once

#include "extras/music.h"

#include <QStringList>

// A music player that only writes down what it was asked to do, into a list the test keeps.
class RecordingPlayer final : public MusicPlayer
{
public:
    explicit RecordingPlayer(QStringList &calls) : m_calls(calls) {}
    void create(const QString &parameters) override
    {
        m_calls.append(QStringLiteral("create ") + parameters);
    }
    void bind() override { m_calls.append(QStringLiteral("bind")); }
    void stop() override { m_calls.append(QStringLiteral("stop")); }
    void load(const QString &path) override { m_calls.append(QStringLiteral("load ") + path); }
    void play() override { m_calls.append(QStringLiteral("play")); }
    void destroy() override { m_calls.append(QStringLiteral("destroy")); }

private:
    QStringList &m_calls;
};
