// Every QML file of the program loads with nothing but the installed Qt's own modules, and
// every Qt module it loads at run time comes from a Debian package that both the set-up
// script and the package's dependencies name. The program's windows are opened (the main
// window on each screen, the keys sheet, the tray popup, the floating panel) and so is the
// notes' save dialog, whose fallback loads modules of its own only when it opens.
#include "ScreenFixture.h"
#include "UiTestSupport.h"

#include "persistence/NotesStore.h"
#include "viewmodels/PlayerViewModel.h"

#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <memory>

Q_IMPORT_QML_PLUGIN(TalvoraPlugin)

namespace {

QStringList g_warnings;

void keepWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << message;
    fprintf(stderr, "%s\n", qPrintable(message));
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The Qt QML plugins this process has loaded, as files of the installed Qt.
QStringList loadedQtPlugins()
{
    const QString qml = QLibraryInfo::path(QLibraryInfo::QmlImportsPath);
    QSet<QString> paths;
    for (const QString &line : readAll("/proc/self/maps").split('\n')) {
        const int at = line.indexOf(qml + '/');
        if (at >= 0 && line.endsWith(".so"))
            paths.insert(line.mid(at));
    }
    QStringList sorted(paths.begin(), paths.end());
    sorted.sort();
    return sorted;
}

QString owningPackage(const QString &path)
{
    QProcess dpkg;
    dpkg.start("dpkg", {"-S", path});
    dpkg.waitForFinished(20000);
    const QString answer = QString::fromUtf8(dpkg.readAllStandardOutput()).trimmed();
    return answer.section(':', 0, 0);
}

} // namespace

class TestQmlImports : public QObject
{
    Q_OBJECT

private slots:
    void everyFileAndWindowLoadsWithTheDeclaredPackages()
    {
        ScreenFixture f({lecture(1, 10), lecture(2)});
        // Only the installed Qt's modules and the program's own (compiled in).
        f.qml.setImportPathList({QLibraryInfo::path(QLibraryInfo::QmlImportsPath),
                                 "qrc:/qt-project.org/imports", "qrc:/qt/qml", "qrc:/"});
        qInstallMessageHandler(keepWarnings);

        QDirIterator files(":/Talvora", {"*.qml"}, QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        while (files.hasNext()) {
            const QUrl url("qrc" + files.next());
            QQmlComponent component(&f.qml, url);
            QVERIFY2(component.isReady(), qPrintable(url.toString() + component.errorString()));
            ++count;
        }
        QVERIFY(count > 30);

        QQuickWindow *window = f.openWithLibrary();
        QVERIFY(window);
        QTRY_COMPARE(ScreenFixture::trackRows(window).size(), 2);
        UiTest::click(ScreenFixture::trackRows(window).at(0));
        QTRY_VERIFY(f.player->hasCurrentTrack());
        for (const char *screen : {"Ustadz", "Riwayat", "Unduhan", "Cari", "Beranda", "Catatan"})
            QVERIFY2(f.select(window, screen), screen);
        UiTest::keys(window, "F1");
        QObject *sheet = window->findChild<QObject *>("shortcutSheet");
        QVERIFY(sheet);
        QTRY_VERIFY(sheet->property("opened").toBool());
        UiTest::keys(window, "Escape");

        // "Simpan semua (Markdown)" opens the save dialog; without a native one that is Qt's
        // own, drawn in the window.
        f.notes->add(1, "Kajian 1", "Ustadz Ahmad", 3, 20, "Catatan");
        QQuickItem *exportAll = UiTest::findByObjectName(window->contentItem(), "exportAllButton");
        QTRY_VERIFY(exportAll && exportAll->isEnabled());
        UiTest::click(exportAll);
        // Qt's own dialog: a popup of the window, made from its QML files when it opens.
        const auto dialogShown = [&] {
            const auto popups = window->findChildren<QObject *>();
            return std::any_of(popups.begin(), popups.end(), [](QObject *popup) {
                return QByteArray(popup->metaObject()->className())
                           .startsWith("FileDialog_QMLTYPE") &&
                       popup->property("opened").toBool();
            });
        };
        QTRY_VERIFY2(dialogShown(), qPrintable(g_warnings.join('\n')));
        QTest::keyClick(window, Qt::Key_Escape);

        for (const char *file : {"shell/MenuBarPopup.qml", "shell/MiniPlayerPanel.qml"}) {
            QQmlComponent component(&f.qml, QUrl(QStringLiteral("qrc:/Talvora/") + file));
            std::unique_ptr<QObject> shown(component.createWithInitialProperties(
                {{"player", QVariant::fromValue(f.player.get())}}));
            auto *other = qobject_cast<QQuickWindow *>(shown.get());
            QVERIFY2(other, qPrintable(component.errorString()));
            other->show();
            QVERIFY(QTest::qWaitForWindowExposed(other));
        }
        qInstallMessageHandler(nullptr);
        const QStringList missing = g_warnings.filter(QRegularExpression(
            "not installed|is not a type|module .* not found|Cannot load|Failed to load"));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));

        // Each Qt module loaded above belongs to a package the set-up script installs and the
        // program's package depends on.
        const QString script = readAll(TALVORA_SOURCE_DIR "/scripts/packages.sh");
        const QString cmake = readAll(TALVORA_SOURCE_DIR "/CMakeLists.txt");
        const QString depends = QRegularExpression("CPACK_DEBIAN_PACKAGE_DEPENDS\\s*\"([^\"]*)\"")
                                    .match(cmake)
                                    .captured(1);
        QVERIFY(!script.isEmpty() && !depends.isEmpty());
        const QStringList plugins = loadedQtPlugins();
        QVERIFY2(plugins.size() >= 5, qPrintable(plugins.join('\n')));
        QSet<QString> packages;
        for (const QString &plugin : plugins) {
            const QString package = owningPackage(plugin);
            QVERIFY2(!package.isEmpty(), qPrintable(plugin));
            packages.insert(package);
        }
        for (const QString &package : packages) {
            const QRegularExpression word("(^|[\\s,(])" + QRegularExpression::escape(package) +
                                          "($|[\\s,)])");
            QVERIFY2(word.match(script).hasMatch(),
                     qPrintable(package + " missing in scripts/packages.sh"));
            QVERIFY2(word.match(depends).hasMatch(),
                     qPrintable(package + " missing in CPACK_DEBIAN_PACKAGE_DEPENDS"));
        }
        qInfo().noquote() << "QML packages loaded:"
                          << QStringList(packages.begin(), packages.end()).join(' ');
    }
};

QTEST_MAIN(TestQmlImports)
#include "tst_qmlimports.moc"
