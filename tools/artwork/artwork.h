// Artwork groups register themselves; artgen draws the groups asked for.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>

#include <functional>

class QPainter;

namespace artwork {

// Draws one group of pictures below the resources folder it is given.
using DrawGroup = std::function<void(const QString& resourcesDir)>;

struct Registrar {
    Registrar(const char* group, DrawGroup draw);
};

// A transparent ARGB picture of the given size.
QImage canvas(int width, int height);
// A transparent canvas of the given size with draw's work on it, painted antialiased.
QImage drawing(int width, int height, const std::function<void(QPainter&)>& draw);
// Saves a picture below resourcesDir, creating folders; exits on failure.
void save(const QImage& image, const QString& resourcesDir, const QString& relativePath);

// A solid pen with round caps and joins, for strokes and symbols.
QPen roundPen(const QColor& color, double width);

// The face of all artwork text at the given pixel size.
QFont textFont(int pixels, bool bold = true);

// The console's palette: a dark instrument panel with cyan accents.
namespace palette {
inline const QColor panel{0x26, 0x2b, 0x33};
inline const QColor panelLight{0x3a, 0x41, 0x4d};
inline const QColor bezel{0x14, 0x17, 0x1c};
inline const QColor ink{0xe8, 0xec, 0xf1};
inline const QColor inkDim{0x9a, 0xa4, 0xb1};
inline const QColor accent{0x1f, 0xb5, 0xd6};
inline const QColor accentBright{0x6f, 0xe3, 0xff};
inline const QColor warn{0xe0, 0x3c, 0x31};
inline const QColor ok{0x2e, 0xc2, 0x5b};
} // namespace palette

} // namespace artwork
