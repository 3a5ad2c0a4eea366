#pragma once
// The picture formats this program can load, as file extensions and as a mask list.

#include <QString>
#include <QStringList>

// Lower-case extensions (without the dot) of every picture format that loads here: JPEG, which
// the program decodes itself, and every format QImageReader reports. Sorted case-insensitively,
// without repeats.
QStringList GetImageExtensions();

// The extensions as the mask list of the picture group: "*.bmp;*.gif;...", empty for none.
QString GetImageExtensionList();
