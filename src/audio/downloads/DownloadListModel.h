#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QUrl>

// The downloads as the screens see them: one row per lecture recorded as stored or in flight,
// by track id. The download manager keeps it up to date, one row per change.
class DownloadListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    // Rows recorded as stored: the Downloads screen shows its empty state while there is none.
    Q_PROPERTY(int storedCount READ storedCount NOTIFY storedCountChanged)

public:
    enum Role {
        TrackIdRole = Qt::UserRole + 1, // a number: ids are exact up to 2^53
        StoredRole,                     // recorded as stored
        DownloadingRole,                // in flight
        ProgressRole,                   // 0..1 in flight, -1 when unknown or not in flight
        FileUrlRole,                    // where the stored file lies; empty while not stored
    };
    Q_ENUM(Role)

    struct Entry
    {
        qint64 id = 0;
        bool stored = false;
        bool downloading = false;
        double progress = -1;
        QUrl file;
        bool operator==(const Entry &) const = default;
    };

    explicit DownloadListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int storedCount() const { return m_storedCount; }

    // The lecture's row as it is now: added, changed, or (neither stored nor in flight) gone.
    void update(const Entry &entry);

signals:
    void countChanged();
    void storedCountChanged();

private:
    QList<Entry> m_rows; // by id
    int m_storedCount = 0;
};
