#include "audio/downloads/DownloadFolder.h"

#include "audio/downloads/DownloadState.h"
#include "persistence/DamagedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString stateFileName = QStringLiteral("state.json");

} // namespace

DownloadFolder::DownloadFolder(const QString &folder) : m_folder(folder)
{
    removePartialFiles();
    load();
}

QString DownloadFolder::path() const
{
    if (!m_folder.isEmpty())
        return m_folder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quillora/Downloads");
}

QUrl DownloadFolder::storeURL() const
{
    const QString folder = path();
    QDir().mkpath(folder);
    return QUrl::fromLocalFile(folder);
}

QUrl DownloadFolder::fileURL(qint64 id) const
{
    return QUrl::fromLocalFile(path() + u'/' + QString::number(id) + QStringLiteral(".mp3"));
}

bool DownloadFolder::contains(qint64 id) const
{
    return QFileInfo::exists(fileURL(id).toLocalFile());
}

// Bodies of a program that was killed or crashed: one program at a time owns the folder, so
// every partial file found at start is a leftover.
void DownloadFolder::removePartialFiles()
{
    QDir dir(path());
    for (const QString &name :
         dir.entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden))
        dir.remove(name);
}

void DownloadFolder::record(qint64 id, const QUrl &file)
{
    m_ids.insert(id);
    m_files.insert(id, file);
}

bool DownloadFolder::forget(qint64 id)
{
    m_files.remove(id);
    return m_ids.remove(id);
}

void DownloadFolder::load()
{
    const QString file = storeURL().toLocalFile() + u'/' + stateFileName;
    QFile state(file);
    if (!state.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = state.readAll();
    if (state.error() != QFileDevice::NoError)
        return;
    state.close();
    const std::optional<QHash<qint64, QString>> entries = DownloadState::parse(bytes);
    if (!entries) {
        DamagedFile::setAside(file, u"[Downloads]");
        return;
    }
    for (auto it = entries->cbegin(); it != entries->cend(); ++it) {
        const QFileInfo info(it.value());
        if (it.value().isEmpty() || !info.exists())
            continue;
        m_ids.insert(it.key());
        m_files.insert(it.key(), QUrl::fromLocalFile(info.absoluteFilePath()));
    }
}

void DownloadFolder::save()
{
    QHash<qint64, QString> entries;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        entries.insert(it.key(), it.value().toLocalFile());
    const QString file = storeURL().toLocalFile() + u'/' + stateFileName;
    m_writer.write(file, DownloadState::encode(entries), [](const QString &path) {
        // A file damaged since the start is kept, as at the start.
        QFile old(path);
        if (old.open(QIODevice::ReadOnly) && !DownloadState::parse(old.readAll()) &&
            old.error() == QFileDevice::NoError) {
            old.close();
            return !DamagedFile::setAside(path, u"[Downloads]").isEmpty();
        }
        return true;
    });
}
