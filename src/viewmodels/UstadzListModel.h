#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QPointer>
#include <QStringList>

class LibraryViewModel;

// The teachers of the library in the library's order of names (case-sensitive, upper case
// first), each with the number of lectures, for the Ustadz screen's list. Counts are
// taken when a row is first shown.
class UstadzListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(LibraryViewModel *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { NameRole = Qt::UserRole + 1, CountRole, CountTextRole };
    Q_ENUM(Role)

    explicit UstadzListModel(QObject *parent = nullptr);

    LibraryViewModel *library() const { return m_library; }
    void setLibrary(LibraryViewModel *library);
    int count() const { return int(m_names.size()); }

    Q_INVOKABLE QString nameAt(int row) const;
    // Row of a teacher's name, -1 when none.
    Q_INVOKABLE int rowOf(const QString &name) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // "1 kajian", "25 kajian": no plural form.
    static QString countText(qint64 count);

signals:
    void libraryChanged();
    void countChanged();

private:
    void refresh();
    int lectureCount(int row) const;

    QPointer<LibraryViewModel> m_library;
    QMetaObject::Connection m_connection;
    QStringList m_names;
    mutable QHash<int, int> m_counts;
};
