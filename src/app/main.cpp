// A first, plain window: it fetches the library from the lecture service and lists each
// lecture's title and teacher. The real screens replace it.
#include "network/APIClient.h"

#include <QApplication>
#include <QListWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvora"));

    QListWidget list;
    list.setWindowTitle(QStringLiteral("Talvora"));
    list.resize(900, 600);
    list.addItem(QStringLiteral("Memuat daftar kajian..."));
    list.show();

    APIClient::fetchTracks(&list, [&list](const APIClient::FetchResult &result) {
        list.clear();
        if (!result.library) {
            list.addItem(QStringLiteral("Gagal memuat daftar kajian: ") + result.error.description);
            return;
        }
        for (const Track &track : result.library->data)
            list.addItem(track.displayTitle() + QStringLiteral(" — ") + track.displayUstadz());
    });

    return app.exec();
}
