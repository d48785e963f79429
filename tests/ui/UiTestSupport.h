#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QQmlEngine;
class QQuickItem;
class QQuickWindow;

// Helpers for tests that drive the real QML screens in an offscreen window.
namespace UiTest {
// Fonts and the icon provider, as the program sets them up.
void prepare(QQmlEngine &engine);

// Every visual descendant of `root` (ListView delegates have no QObject parent, so
// QObject::findChild misses them).
QList<QQuickItem *> descendants(QQuickItem *root);
QQuickItem *findByObjectName(QQuickItem *root, const QString &name);
QList<QQuickItem *> findAll(QQuickItem *root, const std::function<bool(QQuickItem *)> &match);
// The item's Accessible attached object, nullptr when it has none.
QObject *accessibleOf(QQuickItem *item);
// A visible item whose accessible name is `name` (buttons, rows, sidebar entries).
QQuickItem *findAccessible(QQuickItem *root, const QString &name);
// Visible Text items showing exactly `text`.
QList<QQuickItem *> findTexts(QQuickItem *root, const QString &text);
bool showsText(QQuickItem *root, const QString &text);

// Centre of an item in its window's coordinates.
QPoint centreOf(QQuickItem *item);
void click(QQuickItem *item);
// Moves the pointer onto the item once the window has drawn it: a pointer that arrives while
// a newly loaded screen is not yet on screen does not hover what the next frame shows there.
void hover(QQuickItem *item);
void clickAt(QQuickWindow *window, QPoint point);
// Presses keys named as QKeySequence writes them, separated by spaces ("Down Ctrl+3 F1").
void keys(QQuickWindow *window, const QString &sequence);
// Types Latin-1 text key by key into the window's focused item.
void typeText(QQuickWindow *window, const QString &text);

// WCAG 2 contrast ratio of `over` (its alpha blended onto `under`) against opaque `under`.
double contrast(const QColor &over, const QColor &under);
// `over` at its alpha on opaque `under`.
QColor blended(const QColor &over, const QColor &under);
// Every visible text and icon under `root` drawn on `background`, with its opacity, that
// reads below 4.5:1 (text) or 3:1 (icons and large text): "<what> 2.61:1", one per fault.
QStringList unreadable(QQuickItem *root, const QColor &background);
} // namespace UiTest
