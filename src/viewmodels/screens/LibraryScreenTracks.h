#pragma once

#include "viewmodels/screens/ScreenTracks.h"

// "Beranda": the library, most viewed first; a click queues the popular list.
class HomeTracks final : public ScreenTracks
{
    Q_OBJECT
public:
    HomeTracks(const Sources &sources, QObject *parent);

protected:
    QList<Track> rows() const override;
    QList<Track> queue() const override;
};

// "Cari": the search results, queued as found. A blank query shows the prompt; the list is
// then not filled with the whole library.
class SearchTracks final : public ScreenTracks
{
    Q_OBJECT
    // The trimmed search text is empty (the prompt shows instead of the list).
    Q_PROPERTY(bool queryBlank READ queryBlank NOTIFY queryBlankChanged)
public:
    SearchTracks(const Sources &sources, QObject *parent);
    bool queryBlank() const { return m_queryBlank; }
    void refresh() override;

signals:
    void queryBlankChanged();

protected:
    QList<Track> rows() const override;
    QList<Track> queue() const override;

private:
    bool m_queryBlank = true;
};

// A teacher's page: the teacher's lectures outside a series (the page shows the series
// above them), most viewed first, queued as shown.
class TeacherTracks final : public ScreenTracks
{
    Q_OBJECT
    Q_PROPERTY(QString ustadz READ ustadz WRITE setUstadz NOTIFY ustadzChanged)
public:
    TeacherTracks(const Sources &sources, QObject *parent);
    QString ustadz() const { return m_ustadz; }
    void setUstadz(const QString &ustadz);

signals:
    void ustadzChanged();

protected:
    QList<Track> rows() const override;
    QList<Track> queue() const override;

private:
    QString m_ustadz;
};

// A series' parts in order; a click queues the whole series, also the parts hidden as
// finished.
class SeriesTracks final : public ScreenTracks
{
    Q_OBJECT
    // The index of the series in the library's series (-1 none).
    Q_PROPERTY(int series READ series WRITE setSeries NOTIFY seriesChanged)
public:
    SeriesTracks(const Sources &sources, QObject *parent);
    int series() const { return m_series; }
    void setSeries(int series);

signals:
    void seriesChanged();

protected:
    QList<Track> rows() const override;
    QList<Track> queue() const override;

private:
    int m_series = -1;
};
