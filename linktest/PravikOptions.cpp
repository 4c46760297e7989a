#include "PravikOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

PravikOptions ParsePravikOptions(const QStringList& arguments)
{
    PravikOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("Pravik", "Bench test of the crawler link."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QCoreApplication::translate("Pravik", "Crawler address."),
                                        QStringLiteral("address"), options.host);
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QCoreApplication::translate("Pravik", "Crawler port."),
                                        QStringLiteral("port"), QString::number(options.port));
    parser.addOption(hostOption);
    parser.addOption(portOption);

    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QCoreApplication::translate("Pravik", "Unexpected argument: %1")
                            .arg(parser.positionalArguments().first());
        return options;
    }
    if (parser.isSet(helpOption)) {
        options.showHelp = true;
        options.helpText = parser.helpText();
        return options;
    }

    options.host = parser.value(hostOption).trimmed();
    if (options.host.isEmpty()) {
        options.error = QCoreApplication::translate("Pravik", "The crawler address is empty.");
        return options;
    }
    bool isNumber = false;
    const int port = parser.value(portOption).toInt(&isNumber, 10);
    if (!isNumber || port < kMinCrawlerPort || port > kMaxCrawlerPort) {
        options.error = QCoreApplication::translate("Pravik", "Invalid crawler port: %1")
                            .arg(parser.value(portOption));
        return options;
    }
    options.port = port;
    return options;
}
