#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRgb>

// Builders for YUV420P test pictures and the colour the display is expected
// to produce for them.
namespace YuvPicture {

// Byte offsets and sizes of the three planes, integer arithmetic as the view
// reads them.
int LumaBytes(int width, int height);
int ChromaBytes(int width, int height);
int UOffset(int width, int height);
int VOffset(int width, int height);
int TotalBytes(int width, int height);

// A picture of one colour.
QByteArray Uniform(int width, int height, quint8 y, quint8 u, quint8 v);

// A picture whose four quadrants have the luma values given (chroma neutral):
// top-left, top-right, bottom-left, bottom-right.
QByteArray Quadrants(int width, int height, quint8 topLeft, quint8 topRight, quint8 bottomLeft,
                     quint8 bottomRight);

// The RGB colour of one YUV triple as an untagged standard-definition
// picture is shown: BT.601, limited range, clamped to 0..255.
QRgb ExpectedRgb(quint8 y, quint8 u, quint8 v);

// True when every channel of a and b differs by at most tolerance.
bool Near(QRgb a, QRgb b, int tolerance);

// True for a visible yellow (an antialiased yellow line over black is dimmer).
bool IsYellowish(QRgb pixel);

// Number of pixels inside rect of image whose colour is not near expected.
int CountDifferent(const QImage& image, const QRect& rect, QRgb expected, int tolerance);

} // namespace YuvPicture
