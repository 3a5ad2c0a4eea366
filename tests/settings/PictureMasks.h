#pragma once
// The picture masks of a Debian 12 system with the packages of scripts/install-deps.sh: Qt's own
// formats, the image-formats plugins and the SVG plugin, with "jpeg" and "jpg" always present.

inline constexpr const char *ExpectedPictureMasks =
    "*.bmp;*.cur;*.gif;*.icns;*.ico;*.jpeg;*.jpg;*.mng;*.pbm;*.pgm;*.png;*.ppm;*.svg;*.svgz;*.tga;*.tif;"
    "*.tiff;*.wbmp;*.webp;*.xbm;*.xpm";
