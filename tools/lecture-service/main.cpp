#include "LectureServer.h"
#include "RequestLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("talvora-lecture-service");

    QCommandLineParser parser;
    parser.setApplicationDescription("Serves a folder of lectures over HTTP on loopback.");
    parser.addHelpOption();
    parser.addOption({"root", "Folder with library.json and the MP3 files.", "folder"});
    parser.addOption({"listen", "Address to listen on (port 0 picks a free one).", "host:port",
                      "127.0.0.1:8787"});
    parser.addOption({"log", "Append one JSON line per request to this file.", "file"});
    parser.process(app);

    const QString listen = parser.value("listen");
    const qsizetype colon = listen.lastIndexOf(':');
    bool portOk = false;
    const uint port = listen.mid(colon + 1).toUInt(&portOk);
    const QHostAddress host(listen.left(colon));
    if (!parser.isSet("root") || colon < 0 || !portOk || port > 65535 || host.isNull()) {
        std::fprintf(stderr, "usage: talvora-lecture-service --root <folder> "
                             "--listen <host:port> [--log <file>]\n");
        return 2;
    }

    RequestLog log;
    if (parser.isSet("log") && !log.open(parser.value("log"))) {
        std::fprintf(stderr, "cannot open log %s\n", qPrintable(parser.value("log")));
        return 1;
    }
    LectureServer server(parser.value("root"), &log);
    if (!server.listen(host, quint16(port))) {
        std::fprintf(stderr, "cannot listen on %s with root %s: %s\n", qPrintable(listen),
                     qPrintable(parser.value("root")), qPrintable(server.errorString()));
        return 1;
    }
    std::printf("listening on %s:%u\n", qPrintable(server.address().toString()), server.port());
    std::fflush(stdout);
    return app.exec();
}
