// Command line of the tool: where the crawler is.
#pragma once

#include <QString>
#include <QStringList>

// The crawler's address on its bench network; tests never use it.
inline constexpr const char* kDefaultCrawlerHost = "192.168.10.64";
inline constexpr int kDefaultCrawlerPort = 20108;
inline constexpr int kMinCrawlerPort = 1;
inline constexpr int kMaxCrawlerPort = 65535;

struct PravikOptions {
    QString host = QString::fromLatin1(kDefaultCrawlerHost);
    int port = kDefaultCrawlerPort;
    bool showHelp = false;
    QString helpText;
    QString error; // empty when the command line is usable
};

// arguments: the full argument list, program name first.
PravikOptions ParsePravikOptions(const QStringList& arguments);
