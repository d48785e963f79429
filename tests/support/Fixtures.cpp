#include "Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtMath>

#ifndef TALVORA_FIXTURE_DIR
#error "TALVORA_FIXTURE_DIR must name a folder in the build tree"
#endif

namespace {
constexpr int kSampleRate = 22050;

// A soft tone that glides in pitch, so the file is not trivially compressible silence and
// each stretch of it differs from the next.
QByteArray pcm(qint64 firstSample, qint64 count)
{
    QByteArray bytes(count * 2, Qt::Uninitialized);
    auto *out = reinterpret_cast<qint16 *>(bytes.data());
    for (qint64 i = 0; i < count; ++i) {
        const double t = double(firstSample + i) / kSampleRate;
        const double frequency = 220.0 + 60.0 * qSin(2 * M_PI * t / 7.0);
        out[i] = qint16(1500.0 * qSin(2 * M_PI * frequency * t));
    }
    return bytes;
}

bool encode(const QString &target, int seconds, int kbps)
{
    QProcess lame;
    lame.start("lame",
               {"--quiet", "-r", "-s", "22.05", "--bitwidth", "16", "--signed", "--little-endian",
                "-m", "m", "--cbr", "-b", QString::number(kbps), "-", target});
    if (!lame.waitForStarted(10000))
        return false;
    const qint64 total = qint64(seconds) * kSampleRate;
    for (qint64 done = 0; done < total;) {
        const qint64 count = qMin<qint64>(kSampleRate * 10, total - done);
        lame.write(pcm(done, count));
        done += count;
        while (lame.bytesToWrite() > 0) {
            if (!lame.waitForBytesWritten(60000))
                return false;
        }
    }
    lame.closeWriteChannel();
    const bool ok = lame.waitForFinished(600000) && lame.exitStatus() == QProcess::NormalExit &&
                    lame.exitCode() == 0;
    // lame warns about raw input on every run; its words matter only when it failed.
    if (!ok)
        qWarning("lame: %s", lame.readAllStandardError().constData());
    return ok;
}
} // namespace

QString Fixtures::mp3(int seconds, int kbps)
{
    const QString folder = QStringLiteral(TALVORA_FIXTURE_DIR);
    const QString path = folder + QString("/tone-v1-%1s-%2k.mp3").arg(seconds).arg(kbps);
    if (QFile::exists(path))
        return path;
    QDir().mkpath(folder);
    // Tests running side by side may make the same file: each writes its own and renames.
    const QString partial = path + QString(".part-%1").arg(QCoreApplication::applicationPid());
    if (!encode(partial, seconds, kbps)) {
        qWarning("Fixtures: lame could not make a %d s MP3", seconds);
        QFile::remove(partial);
        return QString();
    }
    if (!QFile::rename(partial, path))
        QFile::remove(partial);
    return QFile::exists(path) ? path : QString();
}
