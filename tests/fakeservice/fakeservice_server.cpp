// A standalone fake web service for trying the player by hand or from scripts:
//   fakeservice-server [--fixtures DIR] [--hosts-ini FILE]
// prints one "<host> <base address>" line per host, writes the hosts into FILE when asked
// (a config.ini, or a file for KVR_HOSTS_INI), and serves until it is ended.
#include "FakeWebService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption fixtures(QStringLiteral("fixtures"), QStringLiteral("Extra fixture folder."),
                                      QStringLiteral("dir"));
    const QCommandLineOption hostsIni(QStringLiteral("hosts-ini"), QStringLiteral("Write the hosts here."),
                                      QStringLiteral("file"));
    parser.addOption(fixtures);
    parser.addOption(hostsIni);
    parser.process(app);

    FakeWebService service;
    if (!service.start())
        return 1;
    if (parser.isSet(fixtures) && !service.loadFixtures(parser.value(fixtures)))
        return 1;
    if (parser.isSet(hostsIni) && !service.writeHostsIni(parser.value(hostsIni)))
        return 1;
    QTextStream out(stdout);
    for (FakeHost host : kAllFakeHosts)
        out << fakeHostName(host) << ' ' << service.baseUrl(host) << '\n';
    out.flush();
    return app.exec();
}
