#pragma once

#include <QPixmap>

// A picture of platform.qrc's glyphs/ and cursors/ (":/broodlog/glyphs/check.xpm"),
// read from the XPM text compiled into the program: Qt reads XPM itself, so
// this loads no image-format plugin, as reading the resource file would (it
// asks every plugin whether it knows the file). Any other name is read from
// the resource as usual.
QPixmap BuiltInPixmap(const char* resource);
