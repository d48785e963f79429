#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

class NowPlaying;

// org.mpris.MediaPlayer2.Player: the published lecture, the transport commands, seeking and
// the playback speed. The player offers no stop, volume or URI opening to remote controls;
// those calls do nothing. What the commands do is the engine's business.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ hasQueue)
    Q_PROPERTY(bool CanGoPrevious READ hasQueue)
    Q_PROPERTY(bool CanPlay READ hasLecture)
    Q_PROPERTY(bool CanPause READ hasLecture)
    Q_PROPERTY(bool CanSeek READ hasLecture)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    explicit MprisPlayerAdaptor(NowPlaying *parent);

    QString playbackStatus() const;
    QString loopStatus() const { return QStringLiteral("None"); }
    double rate() const;
    // Out-of-range rates are clamped by the engine; NaN is ignored.
    void setRate(double rate);
    double minimumRate() const;
    double maximumRate() const;
    bool shuffle() const { return false; }
    QVariantMap metadata() const;
    double volume() const { return 1.0; }
    qlonglong position() const;
    bool hasLecture() const;
    bool hasQueue() const;
    bool canControl() const { return true; }

public slots:
    void PlayPause();
    void Play();
    void Pause();
    void Next();
    void Previous();
    void Stop() {}
    // Microseconds, relative to the current place.
    void Seek(qlonglong offset);
    // Ignored when `trackId` is not the current lecture or `position` lies outside it.
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position);
    void OpenUri(const QString &uri) { Q_UNUSED(uri) }

signals:
    void Seeked(qlonglong position);

private:
    NowPlaying *m_nowPlaying;
};
