// A second process for the settings tests: prints the value of the key
// given on the command line, as it reads it from config.ini, in UTF-8.
#include "inisettings.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Moravel"));
    if (argc != 2)
        return 2;
    const QByteArray value = GetQStringFromIni(QString::fromUtf8(argv[1])).toUtf8();
    std::fwrite(value.constData(), 1, static_cast<size_t>(value.size()), stdout);
    return 0;
}
