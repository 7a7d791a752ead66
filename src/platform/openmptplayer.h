#pragma once

#include "extras/music.h"

#include <QThread>

class ModuleOutput;

// Plays a tracker module: libopenmpt renders it, a QAudioSink plays it. Decoding and the audio
// device live on a thread of their own, so opening a slow or missing device never holds up the
// window. No device, a busy one, or a module that does not load: silence, no message.
class OpenMptPlayer final : public MusicPlayer
{
public:
    OpenMptPlayer();
    ~OpenMptPlayer() override;

    void create(const QString &parameters) override;
    void bind() override {}
    void stop() override;
    void load(const QString &path) override;
    void play() override;
    void destroy() override;

private:
    QThread m_thread;
    ModuleOutput *m_output = nullptr; // lives on m_thread
    bool m_loop = false;
};
