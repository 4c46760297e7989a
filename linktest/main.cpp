// Pravik: bench test of the crawler link without the console.
#include <QApplication>
#include <cstdio>

#include "EmptyCaption.h"
#include "ISocketSystemHead.h"
#include "PravikDlg.h"
#include "PravikIcon.h"
#include "PravikOptions.h"

namespace {

constexpr int kUsageError = 2;

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pravik"));
    QApplication::setWindowIcon(PravikIcon());

    const PravikOptions options = ParsePravikOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "Pravik: %s\n", qPrintable(options.error));
        return kUsageError;
    }
    if (options.showHelp) {
        std::fputs(qPrintable(options.helpText), stdout);
        return 0;
    }

    CPravikDlg dialog(&CreateISocketSystemHead, options.host, options.port);
    dialog.winId();
    KeepCaptionEmpty(dialog.windowHandle());
    dialog.exec();
    return 0;
}
