// The seek slider driven with real mouse events in an offscreen window.
#include "UiTestSupport.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <cmath>
#include <memory>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {
// The slider at (0, 0) of a window, its value written back by its owner as the bar does.
const char *kHarness = R"(
import QtQuick
import Talvora
Window {
    id: root
    width: 400; height: 60
    visible: true
    property real value: 0
    property real low: 0
    property real high: 100
    property int changes: 0
    property real changedValue: -1
    property int cancels: 0
    YellowSlider {
        objectName: "slider"
        focus: true
        width: 218
        value: root.value
        from: root.low
        to: root.high
        onMoved: v => root.value = v
        onChanged: v => { root.changes++; root.changedValue = v }
        onCancelled: root.cancels++
    }
}
)";
} // namespace

class TestYellowSlider : public QObject
{
    Q_OBJECT

private:
    QQmlEngine m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickItem *m_slider = nullptr;

    QPoint at(double x) const { return QPoint(int(std::round(x)), 9); }

private slots:
    void initTestCase() { UiTest::prepare(m_engine); }

    void init()
    {
        QQmlComponent component(&m_engine);
        component.setData(kHarness, QUrl(QStringLiteral("qrc:/test/harness.qml")));
        m_window.reset(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY2(m_window, qPrintable(component.errorString()));
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_slider = UiTest::findByObjectName(m_window->contentItem(), "slider");
        QVERIFY(m_slider);
        m_window->setProperty("value", 30.0);
    }

    void cleanup() { m_window.reset(); }

    // A press, then moves, then the release: the value follows at once, the seek comes once,
    // on the release. Value 30 of 0..100: the thumb's centre sits at 9 + 0.3 × 200 = 69 and
    // covers 60..78; a press off it jumps there, a press on it keeps the value until moved.
    void mouseSeeksOnceOnRelease_data()
    {
        QTest::addColumn<int>("press");
        QTest::addColumn<QList<int>>("moves");
        QTest::addColumn<double>("expected");
        QTest::newRow("left of the thumb's half") << 0 << QList<int>{} << 0.0;
        QTest::newRow("past the end") << 217 << QList<int>{} << 100.0;
        QTest::newRow("a quarter") << 59 << QList<int>{} << 25.0;
        QTest::newRow("long drag")
            << 20 << QList<int>{30, 50, 70, 90, 110, 130, 150, 170, 190, 189} << 90.0;
        QTest::newRow("on the thumb") << 72 << QList<int>{} << 30.0;
        // Grabbed 3 right of its centre, moved by 40: the centre follows to 109 (50).
        QTest::newRow("thumb keeps the grab offset") << 72 << QList<int>{92, 112} << 50.0;
    }

    void mouseSeeksOnceOnRelease()
    {
        QFETCH(int, press);
        QFETCH(QList<int>, moves);
        QFETCH(double, expected);
        QTest::mousePress(m_window.get(), Qt::LeftButton, Qt::NoModifier, at(press));
        for (int x : moves) {
            QTest::mouseMove(m_window.get(), at(x));
            QCOMPARE(m_window->property("changes").toInt(), 0);
        }
        QCOMPARE(m_slider->property("isEditing").toBool(), true);
        QCOMPARE(m_window->property("changes").toInt(), 0);
        QCOMPARE(m_window->property("value").toDouble(), expected);
        const int release = moves.isEmpty() ? press : moves.last();
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, Qt::NoModifier, at(release));
        QCOMPARE(m_slider->property("isEditing").toBool(), false);
        QCOMPARE(m_window->property("changes").toInt(), 1);
        QCOMPARE(m_window->property("changedValue").toDouble(), expected);
    }

    // Keys move the value at once and seek once, after the keys rest (value 30 of 0..100).
    void keysSeekOnceAfterThePause_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<double>("expected");
        QTest::newRow("Right three times") << "Right Right Right" << 60.0;
        QTest::newRow("Left") << "Left" << 20.0;
        QTest::newRow("Page Up") << "PgUp" << 90.0;
        QTest::newRow("Page Down, clamped") << "PgDown" << 0.0;
        QTest::newRow("End") << "End" << 100.0;
        QTest::newRow("Home after Right") << "Right Home" << 0.0;
    }

    void keysSeekOnceAfterThePause()
    {
        QFETCH(QString, keys);
        QFETCH(double, expected);
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTRY_VERIFY(m_slider->hasActiveFocus());
        UiTest::keys(m_window.get(), keys);
        QCOMPARE(m_window->property("value").toDouble(), expected);
        QCOMPARE(m_slider->property("isEditing").toBool(), true);
        QTRY_COMPARE(m_window->property("changes").toInt(), 1);
        QCOMPARE(m_window->property("changedValue").toDouble(), expected);
        QCOMPARE(m_slider->property("isEditing").toBool(), false);
    }

    // A screen reader's increase and decrease seek at once, and it reads the value as time.
    void accessibleActionsSeekAndValueReadsAsTime()
    {
        m_window->setProperty("high", 240.0);
        m_window->setProperty("value", 83.0);
        QAccessibleInterface *slider = QAccessible::queryAccessibleInterface(m_slider);
        QVERIFY(slider && slider->actionInterface());
        QCOMPARE(slider->text(QAccessible::Description), QStringLiteral("1:23 dari 4:00"));
        slider->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
        QCOMPARE(m_window->property("changes").toInt(), 1);
        QCOMPARE(m_window->property("changedValue").toDouble(), 93.0);
        slider->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
        QCOMPARE(m_window->property("changedValue").toDouble(), 83.0);
        QCOMPARE(slider->text(QAccessible::Description), QStringLiteral("1:23 dari 4:00"));
    }

    // A press the system takes away ends editing without a seek.
    void cancelledPressDoesNotSeek_data()
    {
        QTest::addColumn<bool>("deactivate");
        QTest::newRow("grab lost") << false;
        QTest::newRow("window deactivated") << true;
    }

    void cancelledPressDoesNotSeek()
    {
        QFETCH(bool, deactivate);
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::mousePress(m_window.get(), Qt::LeftButton, Qt::NoModifier, at(150));
        QVERIFY(m_slider->property("isEditing").toBool());
        QQuickWindow other;
        if (deactivate) {
            other.show();
            other.requestActivate();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        } else {
            for (QQuickItem *item : UiTest::descendants(m_slider)) {
                if (item->inherits("QQuickMouseArea"))
                    item->ungrabMouse();
            }
        }
        QTRY_COMPARE(m_window->property("cancels").toInt(), 1);
        QCOMPARE(m_slider->property("isEditing").toBool(), false);
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, Qt::NoModifier, at(150));
        QCOMPARE(m_window->property("changes").toInt(), 0);
    }

    void fillFollowsValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("fill");
        QTest::newRow("beyond the upper bound") << 250.0 << 200.0;
        QTest::newRow("below the lower bound") << -5.0 << 0.0;
        // Whole pixels: a position a fraction of a pixel on draws nothing new.
        QTest::newRow("a fifth of a pixel on") << 30.1 << 60.0;
        QTest::newRow("over half a pixel on") << 30.3 << 61.0;
    }

    void fillFollowsValue()
    {
        QFETCH(double, value);
        QFETCH(double, fill);
        m_window->setProperty("value", value);
        QCOMPARE(m_slider->property("fill").toDouble(), fill);
    }

    void degenerateGeometryIsGuarded_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("width 18") << 18.0 << 0.0 << 100.0;
        QTest::newRow("width 10") << 10.0 << 0.0 << 100.0;
        QTest::newRow("equal bounds") << 218.0 << 5.0 << 5.0;
    }

    void degenerateGeometryIsGuarded()
    {
        QFETCH(double, width);
        QFETCH(double, low);
        QFETCH(double, high);
        m_slider->setWidth(width);
        m_window->setProperty("low", low);
        m_window->setProperty("high", high);
        m_window->setProperty("value", low + 1);
        const double fill = m_slider->property("fill").toDouble();
        QVERIFY(std::isfinite(fill));
        QCOMPARE(fill, 0.0);
        double mapped = -1;
        QVERIFY(QMetaObject::invokeMethod(m_slider, "valueAt", Q_RETURN_ARG(double, mapped),
                                          Q_ARG(double, 50.0)));
        QCOMPARE(mapped, low);
        QTest::mouseClick(m_window.get(), Qt::LeftButton, Qt::NoModifier, at(4));
        QCOMPARE(m_window->property("changes").toInt(), 1);
        QVERIFY(std::isfinite(m_window->property("changedValue").toDouble()));
    }
};

QTEST_MAIN(TestYellowSlider)
#include "tst_yellowslider.moc"
