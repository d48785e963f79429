#pragma once

#include "prayer/PrayerTimes.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

// The cities shipped with the program (cities.tsv), filtered by what the listener types.
class CityListModel : public QAbstractListModel
{
    Q_OBJECT
    // Case- and accent-insensitive, matched against the start of any word of the name or
    // the province; empty lists every city.
    Q_PROPERTY(QString filter READ filter WRITE setFilter NOTIFY filterChanged)
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        ProvinceRole,
        CountryRole,
        LatitudeRole,
        LongitudeRole
    };

    struct City
    {
        QString name;
        QString province;
        QString country; // ID, MY, BN, SG
        double latitude = 0;
        double longitude = 0;
    };

    explicit CityListModel(QObject *parent = nullptr);

    // Every city of the shipped list, in file order.
    static const QList<City> &all();
    static PrayerTimes::Authority authorityOf(const QString &country);

    QString filter() const { return m_filter; }
    void setFilter(const QString &filter);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void filterChanged();
    void countChanged();

private:
    QString m_filter;
    QList<int> m_rows;
};
