#include "artwork.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace artwork {

static std::map<std::string, DrawGroup>& groups()
{
    static std::map<std::string, DrawGroup> registry;
    return registry;
}

Registrar::Registrar(const char* group, DrawGroup draw)
{
    groups().emplace(group, std::move(draw));
}

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage drawing(int width, int height, const std::function<void(QPainter&)>& draw)
{
    QImage image = canvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

QPen roundPen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QFont textFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void save(const QImage& image, const QString& resourcesDir, const QString& relativePath)
{
    const QString path = QDir(resourcesDir).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

} // namespace artwork

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: artgen <resources folder> [group...]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (const auto& [name, draw] : artwork::groups()) {
        bool wanted = argc == 2;
        for (int i = 2; i < argc; ++i)
            wanted = wanted || name == argv[i];
        if (wanted) {
            std::printf("drawing %s\n", name.c_str());
            draw(dir);
        }
    }
    return 0;
}
