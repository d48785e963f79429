#include "IconProvider.h"

#include <QFile>
#include <QPainter>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSvgRenderer>

namespace {
constexpr int kGlyphSize = 24;

bool isGlyphName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9-]+$"));
    return pattern.match(name).hasMatch();
}
} // namespace

IconProvider::IconProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

void IconProvider::installInto(QQmlEngine &engine)
{
    if (!engine.imageProvider(QStringLiteral("icon")))
        engine.addImageProvider(QStringLiteral("icon"), new IconProvider);
}

QByteArray IconProvider::sourceFor(const QString &name)
{
    QMutexLocker lock(&m_mutex);
    auto it = m_sources.constFind(name);
    if (it != m_sources.constEnd())
        return *it;
    QByteArray bytes;
    // The name becomes part of a resource path, so only plain glyph names are looked up.
    if (isGlyphName(name)) {
        QFile file(QStringLiteral(":/Talvora/icons/%1.svg").arg(name));
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    m_sources.insert(name, bytes);
    return bytes;
}

QByteArray IconProvider::svgFor(const QString &name, const QColor &color, bool filled)
{
    QByteArray svg = sourceFor(name);
    if (svg.isEmpty())
        return svg;
    const QByteArray rgb = color.name(QColor::HexRgb).toLatin1();
    const QByteArray alpha = QByteArray::number(color.alphaF(), 'f', 3);
    svg.replace("stroke=\"currentColor\"",
                "stroke=\"" + rgb + "\" stroke-opacity=\"" + alpha + "\"");
    if (filled)
        svg.replace("fill=\"none\"", "fill=\"" + rgb + "\" fill-opacity=\"" + alpha + "\"");
    return svg;
}

QImage IconProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    // id: name/aarrggbb[/fill]
    const QStringList parts = id.split(QLatin1Char('/'));
    const QString name = parts.value(0);
    QColor color(QLatin1Char('#') + parts.value(1));
    if (!color.isValid())
        color = Qt::white;
    const bool filled = parts.value(2) == QLatin1String("fill");

    const int width = requestedSize.width() > 0 ? requestedSize.width() : kGlyphSize;
    const int height = requestedSize.height() > 0 ? requestedSize.height() : width;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QSvgRenderer renderer(svgFor(name, color, filled));
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (size)
        *size = image.size();
    return image;
}
