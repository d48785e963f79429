#include "prayer/CityListModel.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QList<CityListModel::City> load()
{
    QList<CityListModel::City> cities;
    QFile file(QStringLiteral(":/prayer/cities.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return cities;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 5)
            continue;
        bool latOk = false, lonOk = false;
        CityListModel::City city{QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]),
                                 QString::fromUtf8(fields[2]), fields[3].toDouble(&latOk),
                                 fields[4].toDouble(&lonOk)};
        if (latOk && lonOk && PrayerTimes::validCoordinates(city.latitude, city.longitude))
            cities.append(city);
    }
    return cities;
}

QString folded(const QString &text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toCaseFolded();
    }
    return out;
}

bool wordStartsWith(const QString &text, const QString &prefix)
{
    static const QRegularExpression separators(QStringLiteral("[\\s\\-]+"));
    if (text.startsWith(prefix))
        return true;
    for (const QString &word : text.split(separators, Qt::SkipEmptyParts)) {
        if (word.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

const QList<CityListModel::City> &CityListModel::all()
{
    static const QList<City> cities = load();
    return cities;
}

PrayerTimes::Authority CityListModel::authorityOf(const QString &country)
{
    if (country == QLatin1String("MY"))
        return PrayerTimes::Authority::Jakim;
    if (country == QLatin1String("BN"))
        return PrayerTimes::Authority::Kheu;
    if (country == QLatin1String("SG"))
        return PrayerTimes::Authority::Muis;
    return PrayerTimes::Authority::Kemenag;
}

CityListModel::CityListModel(QObject *parent) : QAbstractListModel(parent)
{
    for (int i = 0; i < all().size(); ++i)
        m_rows << i;
}

void CityListModel::setFilter(const QString &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    const QString wanted = folded(filter.trimmed());
    QList<int> rows;
    for (int i = 0; i < all().size(); ++i) {
        const City &city = all()[i];
        if (wanted.isEmpty() || wordStartsWith(folded(city.name), wanted) ||
            wordStartsWith(folded(city.province), wanted))
            rows << i;
    }
    const bool countChanges = rows.size() != m_rows.size();
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    emit filterChanged();
    if (countChanges)
        emit countChanged();
}

int CityListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant CityListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const City &city = all()[m_rows[index.row()]];
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return city.name;
    case ProvinceRole:
        return city.province;
    case CountryRole:
        return city.country;
    case LatitudeRole:
        return city.latitude;
    case LongitudeRole:
        return city.longitude;
    }
    return {};
}

QHash<int, QByteArray> CityListModel::roleNames() const
{
    return {{NameRole, "name"},
            {ProvinceRole, "province"},
            {CountryRole, "country"},
            {LatitudeRole, "latitude"},
            {LongitudeRole, "longitude"}};
}
