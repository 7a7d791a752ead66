#include "openmptplayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>

#include <libopenmpt/libopenmpt.hpp>

#include <memory>
#include <sstream>
#include <vector>

namespace {
constexpr qint64 kMaxModuleBytes = 16 * 1024 * 1024;
constexpr int kBytesPerFrame = 2 * int(sizeof(std::int16_t));
} // namespace

// The module as a stream of 16-bit stereo frames, pulled by the audio sink; then the sink.
class ModuleOutput : public QIODevice
{
public:
    void load(const QString &path, bool loop)
    {
        m_module.reset();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.read(kMaxModuleBytes);
        try {
            std::ostringstream quiet;
            m_module =
                std::make_unique<openmpt::module>(std::vector<char>(bytes.begin(), bytes.end()), quiet);
            m_module->set_repeat_count(loop ? -1 : 0);
        } catch (const std::exception &) {
            m_module.reset();
        }
    }

    void play()
    {
        if (!m_module)
            return;
        if (!m_sink && !openSink())
            return;
        if (m_sink->state() == QAudio::SuspendedState) {
            m_sink->resume();
            return;
        }
        if (m_sink->state() == QAudio::StoppedState) {
            if (!isOpen())
                open(QIODevice::ReadOnly);
            m_sink->start(this);
        }
    }

    void stop()
    {
        if (m_sink && m_sink->state() != QAudio::StoppedState)
            m_sink->suspend();
    }

    void release()
    {
        if (m_sink)
            m_sink->stop();
        m_sink.reset();
        m_module.reset();
        close();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!m_module)
            return 0;
        const auto frames = std::size_t(maxSize / kBytesPerFrame);
        const std::size_t made =
            m_module->read_interleaved_stereo(m_rate, frames, reinterpret_cast<std::int16_t *>(data));
        if (made == 0 && m_sink)
            // The module has ended: let the device go once it has played what it holds.
            QMetaObject::invokeMethod(m_sink.get(), &QAudioSink::stop, Qt::QueuedConnection);
        return qint64(made) * kBytesPerFrame;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    bool openSink()
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return false;
        QAudioFormat format;
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        for (int rate : {48000, 44100}) {
            format.setSampleRate(rate);
            if (device.isFormatSupported(format)) {
                m_rate = rate;
                m_sink = std::make_unique<QAudioSink>(device, format);
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<openmpt::module> m_module;
    std::unique_ptr<QAudioSink> m_sink;
    int m_rate = 48000;
};

OpenMptPlayer::OpenMptPlayer()
{
    m_thread.setObjectName(QStringLiteral("music"));
}

OpenMptPlayer::~OpenMptPlayer()
{
    destroy();
}

void OpenMptPlayer::create(const QString &parameters)
{
    if (m_output)
        return;
    m_loop = parameters.compare(QLatin1String("loop|true"), Qt::CaseInsensitive) == 0;
    m_output = new ModuleOutput;
    m_output->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_output, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
}

void OpenMptPlayer::stop()
{
    if (m_output)
        QMetaObject::invokeMethod(m_output, [out = m_output] { out->stop(); });
}

void OpenMptPlayer::load(const QString &path)
{
    if (m_output)
        QMetaObject::invokeMethod(m_output, [out = m_output, path, loop = m_loop] { out->load(path, loop); });
}

void OpenMptPlayer::play()
{
    if (m_output)
        QMetaObject::invokeMethod(m_output, [out = m_output] { out->play(); });
}

void OpenMptPlayer::destroy()
{
    if (!m_output)
        return;
    // Waits for the music thread, so the sound has stopped when this returns.
    QMetaObject::invokeMethod(
        m_output, [out = m_output] { out->release(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    m_output = nullptr;
}

// What the game resolves once the library is loaded.
extern "C" Q_DECL_EXPORT MusicPlayer *quorvane_new_music_player()
{
    return new OpenMptPlayer;
}
