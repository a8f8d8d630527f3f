#pragma once

#include <QByteArray>
#include <QImage>

// Decodes the plain PNG files the program ships (its window icon): 8-bit
// RGB or RGBA, not interlaced, as SVG renderers write them. This is not an
// image reader: anything else, or a damaged file, gives a null image, and
// the caller reads it the general way. Qt's own reader first scans the
// image plugins, which costs a start-up more than decoding does.
QImage ReadPlainPng(const QByteArray& file);
