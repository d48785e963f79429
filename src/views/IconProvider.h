#pragma once

#include <QColor>
#include <QHash>
#include <QMutex>
#include <QQuickImageProvider>

class QQmlEngine;

// Serves the vendored line icons as images: "image://icon/<name>/<aarrggbb>[/fill]".
// The glyphs are drawn with `currentColor`, which QtSvg renders black, so the provider
// substitutes the colour a view asks for before rendering. "fill" also fills the shapes
// (solid play and pause glyphs).
class IconProvider : public QQuickImageProvider
{
public:
    IconProvider();

    // Adds the provider to an engine under "icon" unless it has one.
    static void installInto(QQmlEngine &engine);

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    // The glyph's SVG text with its colour applied, empty when there is no such glyph.
    QByteArray svgFor(const QString &name, const QColor &color, bool filled);

private:
    QByteArray sourceFor(const QString &name);

    QMutex m_mutex; // image requests may arrive from the QML image loader thread
    QHash<QString, QByteArray> m_sources;
};
