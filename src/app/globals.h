#pragma once

#include <QString>

// The apiary name typed in the main window; written by "print note" and
// shown in the record sheet's header. Empty at start, kept until the end.
QString& ApiaryName();
