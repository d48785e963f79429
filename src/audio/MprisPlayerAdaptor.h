#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

class NowPlaying;

// org.mpris.MediaPlayer2.Player: the published lecture and the five commands the engine
// answers (PlayPause, Play, Pause, Next, Previous). The player offers no stop, seek, rate,
// volume or URI opening to remote controls; those calls do nothing.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(bool Shuffle READ shuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canControl)
    Q_PROPERTY(bool CanGoPrevious READ canControl)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    explicit MprisPlayerAdaptor(NowPlaying *parent);

    QString playbackStatus() const;
    QString loopStatus() const { return QStringLiteral("None"); }
    double rate() const { return 1.0; }
    bool shuffle() const { return false; }
    QVariantMap metadata() const;
    double volume() const { return 1.0; }
    qlonglong position() const;
    bool canControl() const { return true; }
    bool canSeek() const { return false; }

public slots:
    void PlayPause();
    void Play();
    void Pause();
    void Next();
    void Previous();
    void Stop() {}
    void Seek(qlonglong offset) { Q_UNUSED(offset) }
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position)
    {
        Q_UNUSED(trackId)
        Q_UNUSED(position)
    }
    void OpenUri(const QString &uri) { Q_UNUSED(uri) }

signals:
    void Seeked(qlonglong position);

private:
    NowPlaying *m_nowPlaying;
};
