#include "connectionchecks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>

namespace {

constexpr int kMaxPort = 65535;
constexpr int kMaxFrameRate = 60;
constexpr int kMaxHostNameLength = 253;
constexpr char kRtspPrefix[] = "rtsp://";

QString say(const char* text)
{
    return QCoreApplication::translate("ConnectionChecks", text);
}

bool isIpv4(const QString& text)
{
    static const QRegularExpression ipv4(QStringLiteral(
        "^(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)(\\.(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)){3}$"));
    return ipv4.match(text).hasMatch();
}

bool isHost(const QString& text)
{
    if (isIpv4(text))
        return true;
    // Digits and dots that are no IPv4 address (192.168.1.300) name nothing.
    static const QRegularExpression numeric(QStringLiteral("^[\\d.]+$"));
    static const QRegularExpression name(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                       "(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*\\.?$"));
    return text.size() <= kMaxHostNameLength && !numeric.match(text).hasMatch() &&
           name.match(text).hasMatch();
}

// A decimal number in 1..max; false for anything else.
bool isNumberUpTo(const QString& text, int max)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,5}$"));
    if (!digits.match(text).hasMatch())
        return false;
    const int value = text.toInt();
    return value >= 1 && value <= max;
}

bool isCameraAddress(const QString& text)
{
    if (text.startsWith(QLatin1String(kRtspPrefix), Qt::CaseInsensitive)) {
        const QUrl url(text, QUrl::StrictMode);
        return url.isValid() && url.scheme().compare("rtsp", Qt::CaseInsensitive) == 0 &&
               isHost(url.host()) && (url.port() == -1 || url.port() >= 1);
    }
    if (text.contains(QRegularExpression(QStringLiteral("\\s"))))
        return false;
    const QString hostPort = text.section('/', 0, 0);
    const int colon = hostPort.indexOf(':');
    if (colon < 0)
        return isHost(hostPort);
    return isHost(hostPort.left(colon)) && isNumberUpTo(hostPort.mid(colon + 1), kMaxPort);
}

} // namespace

QString linkAddressProblem(const QString& text)
{
    if (text.isEmpty())
        return say("请填写地址");
    // The link opens numeric addresses only: a crawler has a fixed one.
    return isIpv4(text) ? QString() : say("应为 IPv4 地址");
}

QString cameraAddressProblem(const QString& text)
{
    if (text.isEmpty())
        return say("请填写地址");
    return isCameraAddress(text) ? QString() : say("应为 IPv4 地址、主机名或 rtsp:// 地址");
}

QString portProblem(const QString& text)
{
    return isNumberUpTo(text, kMaxPort) ? QString() : say("端口应为 1–65535");
}

QString frameRateProblem(const QString& text)
{
    return isNumberUpTo(text, kMaxFrameRate) ? QString() : say("帧率应为 1–60");
}

QString folderProblem(const QString& path)
{
    if (path.isEmpty())
        return say("请选择文件夹");
    // A relative folder would follow the program's working folder.
    if (!QDir::isAbsolutePath(path))
        return say("应为绝对路径（以 / 开头）");
    if (!QFileInfo(path).isDir())
        return say("文件夹不存在");
    // Permissions alone do not tell (a read-only mount, root); a file does.
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".moravel-write-XXXXXX")));
    return probe.open() ? QString() : say("文件夹不可写");
}
