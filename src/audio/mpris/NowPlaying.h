#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

class MprisPlayerAdaptor;

// What the desktop shows for the current lecture; rebuilt whole on each update.
struct NowPlayingInfo
{
    qint64 trackId = 0;
    QString title;  // display title
    QString artist; // display teacher
    double duration = 0;
    double elapsed = 0;
    double rate = 0; // 1 while the engine considers itself playing, else 0
    double speed = 1.0;   // the playback speed (MPRIS Rate)
    bool stopped = false; // nothing plays or can play (a failed load)
    bool hasQueue = false;

    bool operator==(const NowPlayingInfo &) const = default;
};

// The desktop's now-playing display and media keys over MPRIS 2: the object
// /org/mpris/MediaPlayer2 with the root and player interfaces, under the bus name
// org.mpris.MediaPlayer2.talvora. It only carries information and requests; the engine
// decides what they do. Until registered it lives in memory only.
class NowPlaying : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *ServiceName = "org.mpris.MediaPlayer2.talvora";

    explicit NowPlaying(QObject *parent = nullptr);
    ~NowPlaying() override;

    // False, after one log line, when there is no session bus or the object cannot be
    // published; the program runs on without it. A second instance of the program takes an
    // ".instance<pid>" name as MPRIS allows.
    bool registerOnSessionBus();
    bool isRegistered() const { return !m_serviceName.isEmpty(); }
    QString serviceName() const { return m_serviceName; }

    // Replaces the published information and tells MPRIS clients what changed; a position
    // that jumped (a seek, a rewind) is announced as Seeked.
    // `jumped` announces a move made by a command even when it is small.
    void publish(const NowPlayingInfo &info, bool jumped = false);
    const std::optional<NowPlayingInfo> &info() const { return m_info; }

    // The MPRIS form of the last published information.
    QVariantMap metadata() const;
    // "Stopped" until something was published, then "Playing" or "Paused" after its rate.
    QString playbackStatus() const;
    qlonglong positionMicroseconds() const;

    static QVariantMap metadataFor(const std::optional<NowPlayingInfo> &info);
    static QString playbackStatusFor(const std::optional<NowPlayingInfo> &info);
    // The MPRIS track id of the published lecture.
    QDBusObjectPath trackObjectPath() const;

signals:
    void published();
    // Requests from MPRIS clients and media keys.
    void playPauseRequested();
    void playRequested();
    void pauseRequested();
    void nextRequested();
    void previousRequested();
    // Seek by a signed offset, or go to a place, in seconds.
    void seekRequested(double offset);
    void positionRequested(double seconds);
    void rateRequested(double rate);
    void raiseRequested();
    void quitRequested();

private:
    void sendPropertiesChanged(const QVariantMap &changed);

    MprisPlayerAdaptor *m_playerAdaptor;
    std::optional<NowPlayingInfo> m_info;
    QString m_serviceName;
};
