#pragma once

#include "viewmodels/LibraryViewModel.h"
#include "viewmodels/PlayerViewModel.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QString>

// One teacher's series for the Ustadz screen, in library order: the title, "24 bagian" and
// how far the listener is ("7 dari 24 selesai"). "Lanjutkan seri" starts a series where the
// listener stands in it.
class SeriesListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(LibraryViewModel *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(PlayerViewModel *player READ player WRITE setPlayer NOTIFY playerChanged)
    Q_PROPERTY(QString ustadz READ ustadz WRITE setUstadz NOTIFY ustadzChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The series open on screen (an index into the library's series, -1 none), its title
    // and "7 dari 24 selesai".
    Q_PROPERTY(int current READ current WRITE setCurrent NOTIFY currentChanged)
    Q_PROPERTY(QString currentTitle READ currentTitle NOTIFY currentChanged)
    Q_PROPERTY(QString currentProgressText READ currentProgressText NOTIFY currentChanged)

public:
    enum Role {
        TitleRole = Qt::UserRole + 1,
        PartsTextRole,    // "24 bagian"
        ProgressTextRole, // "7 dari 24 selesai"
        SeriesRole,       // index into the library's series
    };
    Q_ENUM(Role)

    explicit SeriesListModel(QObject *parent = nullptr);

    LibraryViewModel *library() const { return m_library; }
    void setLibrary(LibraryViewModel *library);
    PlayerViewModel *player() const { return m_player; }
    void setPlayer(PlayerViewModel *player);
    QString ustadz() const { return m_ustadz; }
    void setUstadz(const QString &ustadz);
    int count() const { return int(m_series.size()); }
    int current() const { return m_current; }
    void setCurrent(int series);
    QString currentTitle() const { return titleOf(m_current); }
    QString currentProgressText() const { return progressTextOf(m_current); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Parts of a series already finished.
    int finishedCount(int series) const;
    // "Lanjutkan seri": the first part not finished, at its place, with the series as the
    // queue; when every part is finished, the first part from its start.
    Q_INVOKABLE void continueSeries(int series);
    Q_INVOKABLE QString titleOf(int series) const;
    Q_INVOKABLE QString progressTextOf(int series) const;

signals:
    void libraryChanged();
    void playerChanged();
    void ustadzChanged();
    void countChanged();
    void currentChanged();

private:
    void refresh();

    QPointer<LibraryViewModel> m_library;
    QPointer<PlayerViewModel> m_player;
    QString m_ustadz;
    QList<int> m_series;
    int m_current = -1;
    QList<QMetaObject::Connection> m_connections;
    QMetaObject::Connection m_finishedConnection;
};
