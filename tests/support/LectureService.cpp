#include "LectureService.h"

#include "network/APIClient.h"

#include "Fixtures.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTest>
#include <QTimer>

#include <filesystem>

#ifndef TALVORA_LECTURE_SERVICE_BIN
#error "TALVORA_LECTURE_SERVICE_BIN must name the built lecture service"
#endif

namespace {
constexpr int kStartTimeoutMs = 20000;
const QByteArray kListeningPrefix = "listening on ";
} // namespace

LectureService::LectureService() : m_root(m_temp.path() + "/root")
{
    QDir().mkpath(m_root);
}

LectureService::LectureService(const QString &rootFolder) : m_root(rootFolder) {}

LectureService::~LectureService()
{
    stop();
}

QString LectureService::logPath() const
{
    return m_temp.path() + "/service-log.jsonl";
}

QString LectureService::binaryPath()
{
    return QStringLiteral(TALVORA_LECTURE_SERVICE_BIN);
}

bool LectureService::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_root + '/' + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Atomic, so a running service never serves half a file.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool LectureService::addTrackFile(const QString &name, const QByteArray &bytes)
{
    return writeFile(name, bytes);
}

bool LectureService::copyFile(const QString &sourcePath, const QString &name)
{
    const QString target = m_root + '/' + name;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    // A hard link costs nothing for hour-long fixtures; copy where links are not possible.
    std::error_code error;
    std::filesystem::create_hard_link(QFile::encodeName(sourcePath).toStdString(),
                                      QFile::encodeName(target).toStdString(), error);
    return !error || QFile::copy(sourcePath, target);
}

bool LectureService::addMp3(const QString &name, int seconds)
{
    const QString source = Fixtures::mp3(seconds);
    return !source.isEmpty() && copyFile(source, name);
}

bool LectureService::setLibrary(const QByteArray &json)
{
    return writeFile("library.json", json);
}

bool LectureService::setTracks(const QList<Track> &tracks, qint64 totalFiles)
{
    QJsonArray data;
    for (const Track &track : tracks)
        data.append(track.toJson());
    const QJsonObject document{{"status", "success"},
                               {"total_files", totalFiles < 0 ? tracks.size() : totalFiles},
                               {"data", data}};
    return setLibrary(QJsonDocument(document).toJson(QJsonDocument::Compact));
}

bool LectureService::setFaults(const QJsonObject &faults)
{
    return writeFile("faults.json", QJsonDocument(faults).toJson(QJsonDocument::Compact));
}

void LectureService::clearFaults()
{
    QFile::remove(m_root + "/faults.json");
}

bool LectureService::start(quint16 port)
{
    stop();
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(binaryPath());
    m_process->setArguments(
        {"--root", m_root, "--listen", QString("127.0.0.1:%1").arg(port), "--log", logPath()});
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start();
    if (!m_process->waitForStarted(kStartTimeoutMs)) {
        qWarning("LectureService: cannot start %s: %s", qPrintable(binaryPath()),
                 qPrintable(m_process->errorString()));
        m_process.reset();
        return false;
    }

    const QDeadlineTimer deadline(kStartTimeoutMs);
    QByteArray output;
    while (!output.contains('\n') && !deadline.hasExpired() &&
           m_process->state() == QProcess::Running) {
        if (m_process->waitForReadyRead(int(deadline.remainingTime())))
            output += m_process->readAllStandardOutput();
    }
    if (!output.contains('\n')) {
        qWarning("LectureService: the service did not start listening");
        stop();
        return false;
    }
    const QByteArray line = output.left(output.indexOf('\n')).trimmed();
    const qsizetype colon = line.lastIndexOf(':');
    bool ok = false;
    m_port = quint16(line.mid(colon + 1).toUInt(&ok));
    if (!line.startsWith(kListeningPrefix) || !ok || m_port == 0) {
        qWarning("LectureService: unexpected first line \"%s\"", line.constData());
        stop();
        return false;
    }
    return true;
}

void LectureService::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
}

bool LectureService::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString LectureService::baseUrl() const
{
    return QString("http://127.0.0.1:%1").arg(m_port);
}

QUrl LectureService::url(const QByteArray &encodedTarget) const
{
    return QUrl::fromEncoded(baseUrl().toUtf8() + encodedTarget, QUrl::StrictMode);
}

QList<QJsonObject> LectureService::logEntries() const
{
    QList<QJsonObject> entries;
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            entries.append(document.object());
    }
    return entries;
}

QList<QJsonObject> LectureService::requests(const QString &targetPrefix) const
{
    return events(QStringLiteral("request"), targetPrefix);
}

QList<QJsonObject> LectureService::events(const QString &event, const QString &targetPrefix) const
{
    QList<QJsonObject> result;
    for (const QJsonObject &entry : logEntries()) {
        if (entry.value("event").toString() == event &&
            entry.value("target").toString().startsWith(targetPrefix))
            result.append(entry);
    }
    return result;
}

int LectureService::requestCount(const QString &targetPrefix) const
{
    return int(requests(targetPrefix).size());
}

QList<QJsonObject> LectureService::badAudioReports() const
{
    QList<QJsonObject> result;
    for (const QJsonObject &entry : logEntries()) {
        if (entry.value("event").toString() == "bad_audio")
            result.append(entry);
    }
    return result;
}

bool LectureService::waitForRequestCount(const QString &targetPrefix, int count,
                                         int timeoutMs) const
{
    return QTest::qWaitFor([&] { return requestCount(targetPrefix) >= count; }, timeoutMs);
}

bool LectureService::waitForArrivalCount(const QString &targetPrefix, int count,
                                         int timeoutMs) const
{
    return QTest::qWaitFor(
        [&] { return events(QStringLiteral("arrived"), targetPrefix).size() >= count; },
        timeoutMs);
}

int LectureService::reportsBeforeMarker(int timeoutMs) const
{
    static constexpr qint64 MarkerId = 999;
    QTimer::singleShot(0, [] { APIClient::logBadAudio(MarkerId, QStringLiteral("marker.mp3")); });
    const auto others = [this] {
        int count = 0, markers = 0;
        for (const QJsonObject &report : badAudioReports())
            ++(report.value("track_id").toString() == QString::number(MarkerId) ? markers : count);
        return markers > 0 ? count : -1;
    };
    if (!QTest::qWaitFor([&] { return others() >= 0; }, timeoutMs))
        return -1;
    return others();
}

void LectureService::clearLog()
{
    QFile::resize(logPath(), 0);
}
