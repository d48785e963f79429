#include "audio/mpris/NowPlaying.h"

#include "Logging.h"

#include "audio/mpris/MprisPlayerAdaptor.h"
#include "audio/mpris/MprisRootAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDebug>

#include <cmath>

namespace {

const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

qlonglong microseconds(double seconds)
{
    return std::isfinite(seconds) ? qlonglong(std::llround(seconds * 1e6)) : 0;
}

QDBusObjectPath trackPath(qint64 id)
{
    // Object path elements allow only [A-Za-z0-9_].
    const QString element = id < 0 ? QStringLiteral("m%1").arg(-(id + 1)) : QString::number(id);
    return QDBusObjectPath(QStringLiteral("/org/talvora/track/") + element);
}

} // namespace

NowPlaying::NowPlaying(QObject *parent) : QObject(parent)
{
    new MprisRootAdaptor(this);
    m_playerAdaptor = new MprisPlayerAdaptor(this);
}

NowPlaying::~NowPlaying()
{
    if (!isRegistered())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_serviceName);
    bus.unregisterObject(QString::fromLatin1(ObjectPath));
}

bool NowPlaying::registerOnSessionBus()
{
    if (isRegistered())
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcAudio).noquote() << "[AudioEngine] MPRIS unavailable: no session bus (" +
                                            bus.lastError().message() + ")";
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(ObjectPath), this,
                            QDBusConnection::ExportAdaptors)) {
        qCWarning(lcAudio).noquote()
            << "[AudioEngine] MPRIS unavailable: " + bus.lastError().message();
        return false;
    }
    QString name = QString::fromLatin1(ServiceName);
    if (!bus.registerService(name)) {
        name += QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(name)) {
            qCWarning(lcAudio).noquote()
                << "[AudioEngine] MPRIS unavailable: " + bus.lastError().message();
            bus.unregisterObject(QString::fromLatin1(ObjectPath));
            return false;
        }
    }
    m_serviceName = name;
    return true;
}

void NowPlaying::publish(const NowPlayingInfo &info, bool jumped)
{
    const std::optional<NowPlayingInfo> previous = m_info;
    m_info = info;
    if (isRegistered()) {
        QVariantMap changed;
        const QVariantMap metadata = metadataFor(m_info);
        if (metadata != metadataFor(previous))
            changed.insert(QStringLiteral("Metadata"), metadata);
        const QString status = playbackStatusFor(m_info);
        if (status != playbackStatusFor(previous))
            changed.insert(QStringLiteral("PlaybackStatus"), status);
        if (!previous || previous->speed != info.speed)
            changed.insert(QStringLiteral("Rate"), info.speed);
        // The capabilities follow whether there is a lecture and a queue.
        if (!previous) {
            for (const char *name : {"CanPlay", "CanPause", "CanSeek"})
                changed.insert(QLatin1String(name), true);
        }
        if (!previous || previous->hasQueue != info.hasQueue) {
            changed.insert(QStringLiteral("CanGoNext"), info.hasQueue);
            changed.insert(QStringLiteral("CanGoPrevious"), info.hasQueue);
        }
        if (!changed.isEmpty())
            sendPropertiesChanged(changed);
        // Clients run the position on by themselves from the rate; playback moves it by a
        // quarter second (times the speed) between updates, anything else is a jump they
        // must hear of.
        if (previous && previous->trackId == info.trackId) {
            const double jump = info.elapsed - previous->elapsed;
            if (jumped || jump < -0.5 || jump > 2.0 * qMax(1.0, info.speed))
                emit m_playerAdaptor->Seeked(positionMicroseconds());
        }
    }
    emit published();
}

QDBusObjectPath NowPlaying::trackObjectPath() const
{
    return m_info ? trackPath(m_info->trackId) : QDBusObjectPath();
}

QVariantMap NowPlaying::metadata() const
{
    return metadataFor(m_info);
}

QString NowPlaying::playbackStatus() const
{
    return playbackStatusFor(m_info);
}

qlonglong NowPlaying::positionMicroseconds() const
{
    return m_info ? microseconds(m_info->elapsed) : 0;
}

QVariantMap NowPlaying::metadataFor(const std::optional<NowPlayingInfo> &info)
{
    if (!info)
        return {};
    return {
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(trackPath(info->trackId))},
        {QStringLiteral("xesam:title"), info->title},
        {QStringLiteral("xesam:artist"), QStringList{info->artist}},
        {QStringLiteral("mpris:length"), microseconds(info->duration)},
    };
}

QString NowPlaying::playbackStatusFor(const std::optional<NowPlayingInfo> &info)
{
    if (!info || info->stopped)
        return QStringLiteral("Stopped");
    return info->rate > 0 ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

void NowPlaying::sendPropertiesChanged(const QVariantMap &changed)
{
    // QtDBus does not announce adaptor property changes by itself.
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(ObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
