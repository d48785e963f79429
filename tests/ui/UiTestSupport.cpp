#include "UiTestSupport.h"

#include "AppFonts.h"
#include "MainWindows.h"

#include <QFont>
#include <QKeySequence>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <algorithm>
#include <cmath>

namespace UiTest {

void prepare(QQmlEngine &engine)
{
    AppFonts::install();
    MainWindows::prepareEngine(engine);
}

QList<QQuickItem *> descendants(QQuickItem *root)
{
    QList<QQuickItem *> result;
    if (!root)
        return result;
    QList<QQuickItem *> pending{root};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        result << item;
        pending << item->childItems();
    }
    return result;
}

QList<QQuickItem *> findAll(QQuickItem *root, const std::function<bool(QQuickItem *)> &match)
{
    QList<QQuickItem *> result;
    for (QQuickItem *item : descendants(root)) {
        if (match(item))
            result << item;
    }
    return result;
}

static bool reallyVisible(QQuickItem *item)
{
    for (QQuickItem *i = item; i; i = i->parentItem()) {
        if (!i->isVisible() || i->opacity() == 0)
            return false;
    }
    return true;
}

QQuickItem *findByObjectName(QQuickItem *root, const QString &name)
{
    const auto found = findAll(root, [&](QQuickItem *i) { return i->objectName() == name; });
    return found.value(0);
}

QObject *accessibleOf(QQuickItem *item)
{
    for (QObject *child : item->children()) {
        if (QByteArray(child->metaObject()->className()).startsWith("QQuickAccessibleAttached"))
            return child;
    }
    return nullptr;
}

QQuickItem *findAccessible(QQuickItem *root, const QString &name)
{
    const auto found = findAll(root, [&](QQuickItem *i) {
        QObject *attached = accessibleOf(i);
        return attached && attached->property("name").toString() == name && reallyVisible(i);
    });
    return found.value(0);
}

QList<QQuickItem *> findTexts(QQuickItem *root, const QString &text)
{
    return findAll(root, [&](QQuickItem *i) {
        return QByteArray(i->metaObject()->className()).startsWith("QQuickText") &&
               i->property("text").toString() == text && reallyVisible(i);
    });
}

bool showsText(QQuickItem *root, const QString &text)
{
    return !findTexts(root, text).isEmpty();
}

QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

void click(QQuickItem *item)
{
    // Pending layout first: a list may still move to its scroll target.
    if (!item)
        return;
    QPointer<QQuickItem> guard(item);
    QQuickTest::qWaitForPolish(item->window());
    if (guard)
        clickAt(item->window(), centreOf(item));
}

void hover(QQuickItem *item)
{
    QQuickWindow *window = item->window();
    QQuickTest::qWaitForPolish(window);
    QSignalSpy drawn(window, &QQuickWindow::frameSwapped);
    window->update();
    drawn.wait(5000);
    QTest::mouseMove(window, centreOf(item));
}

void clickAt(QQuickWindow *window, QPoint point)
{
    QTest::mouseMove(window, point);
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, point);
}

void keys(QQuickWindow *window, const QString &sequence)
{
    for (const QString &key : sequence.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QKeyCombination combination = QKeySequence::fromString(key)[0];
        QTest::keyClick(window, combination.key(), combination.keyboardModifiers());
    }
}

void typeText(QQuickWindow *window, const QString &text)
{
    for (QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

QColor blended(const QColor &over, const QColor &under)
{
    const double a = over.alphaF();
    return QColor::fromRgbF(over.redF() * a + under.redF() * (1 - a),
                            over.greenF() * a + under.greenF() * (1 - a),
                            over.blueF() * a + under.blueF() * (1 - a));
}

static double luminance(const QColor &c)
{
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor &over, const QColor &under)
{
    const double a = luminance(blended(over, under)), b = luminance(under);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QStringList unreadable(QQuickItem *root, const QColor &background)
{
    QStringList faults;
    for (QQuickItem *item : descendants(root)) {
        const QByteArray type = item->metaObject()->className();
        const bool text =
            type.startsWith("QQuickText") && !item->property("text").toString().isEmpty();
        const bool icon =
            type.startsWith("Icon_QMLTYPE") && !item->property("name").toString().isEmpty();
        if ((!text && !icon) || !reallyVisible(item))
            continue;
        double opacity = 1;
        for (QQuickItem *i = item; i && i != root->parentItem(); i = i->parentItem())
            opacity *= i->opacity();
        QColor colour = item->property("color").value<QColor>();
        colour.setAlphaF(colour.alphaF() * opacity);
        const QFont font = item->property("font").value<QFont>();
        const bool large = icon || font.pixelSize() >= 24 ||
                           (font.pixelSize() >= 19 && font.weight() >= QFont::Bold);
        const double ratio = contrast(colour, background);
        if (ratio < (large ? 3.0 : 4.5))
            faults << QStringLiteral("%1 %2:1")
                          .arg(text ? item->property("text").toString()
                                    : item->property("name").toString())
                          .arg(ratio, 0, 'f', 2);
    }
    return faults;
}

} // namespace UiTest
