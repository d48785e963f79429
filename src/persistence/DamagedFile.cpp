#include "persistence/DamagedFile.h"

#include "Logging.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace {

const QString marker = QStringLiteral(".damaged-");

// Fixed width, so that the names sort by time.
QString stamp(const QDateTime &utc)
{
    return utc.toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
}

// Never replaces an earlier copy that happens to carry the same stamp.
bool renameNoReplace(const QString &from, const QString &to)
{
    return ::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                       QFile::encodeName(to).constData(), RENAME_NOREPLACE) == 0;
}

} // namespace

QStringList DamagedFile::setAsideCopies(const QString &path)
{
    const QFileInfo info(path);
    QStringList names = info.dir().entryList({info.fileName() + marker + u'*'},
                                             QDir::Files | QDir::Hidden | QDir::System);
    std::sort(names.begin(), names.end(), std::greater<>());
    for (QString &name : names)
        name = info.dir().filePath(name);
    return names;
}

QString DamagedFile::setAside(const QString &path, QStringView tag)
{
    QDateTime when = QDateTime::currentDateTimeUtc();
    QString target;
    for (int attempt = 0;; ++attempt) {
        target = path + marker + stamp(when);
        if (renameNoReplace(path, target))
            break;
        if (errno != EEXIST || attempt == 100) {
            qCWarning(lcStore).noquote()
                << tag << "damaged file" << QFileInfo(path).fileName()
                << "could not be moved aside, left in place:" << qt_error_string(errno);
            return {};
        }
        when = when.addMSecs(1);
    }
    const QStringList copies = setAsideCopies(path);
    for (qsizetype i = kept; i < copies.size(); ++i)
        QFile::remove(copies.at(i));
    qCWarning(lcStore).noquote() << tag << "damaged file" << QFileInfo(path).fileName() << "kept as"
                                 << QFileInfo(target).fileName();
    return target;
}
