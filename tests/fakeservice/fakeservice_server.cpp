// A standalone fake web service for trying the player by hand or from scripts:
//   fakeservice-server [--demo [--song-cache DIR]] [--fixtures DIR] [--hosts-ini FILE]
// prints one "<host> <base address>" line per host, writes the hosts into FILE when asked
// (a config.ini, or a file for KVR_HOSTS_INI), and serves until it is ended. With --demo it
// also serves the demo catalogue (FakeDemoCatalogue.h): songs, pages, lyrics, pictures, radio;
// with --song-cache its songs are kept in DIR and taken from there when made before.
// FILE is written last, once everything is served and the lines printed, so a script may wait
// for it to appear.
#include "FakeDemoCatalogue.h"
#include "FakeWebService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Serve the demo catalogue too (needs the ffmpeg command)."));
    const QCommandLineOption fixtures(QStringLiteral("fixtures"), QStringLiteral("Extra fixture folder."),
                                      QStringLiteral("dir"));
    const QCommandLineOption hostsIni(QStringLiteral("hosts-ini"), QStringLiteral("Write the hosts here."),
                                      QStringLiteral("file"));
    const QCommandLineOption songCache(QStringLiteral("song-cache"),
                                       QStringLiteral("Keep the demo songs here and reuse them."),
                                       QStringLiteral("dir"));
    parser.addOption(demo);
    parser.addOption(songCache);
    parser.addOption(fixtures);
    parser.addOption(hostsIni);
    parser.process(app);

    QTextStream err(stderr);
    FakeWebService service;
    if (!service.start()) {
        err << "fakeservice-server: cannot listen on loopback\n";
        return 1;
    }
    if (parser.isSet(fixtures) && !service.loadFixtures(parser.value(fixtures)))
        return 1;
    if (parser.isSet(demo)) {
        FakeDemoCatalogue catalogue;
        catalogue.setSongCache(parser.value(songCache));
        if (!catalogue.load() || !catalogue.install(&service)) {
            err << "fakeservice-server: demo catalogue: " << catalogue.errorString() << '\n';
            return 1;
        }
    }
    QTextStream out(stdout);
    for (FakeHost host : kAllFakeHosts)
        out << fakeHostName(host) << ' ' << service.baseUrl(host) << '\n';
    out.flush();
    // Last, so that a script that sees the file also finds the lines above.
    if (parser.isSet(hostsIni) && !service.writeHostsIni(parser.value(hostsIni))) {
        err << "fakeservice-server: cannot write " << parser.value(hostsIni) << '\n';
        return 1;
    }
    return app.exec();
}
