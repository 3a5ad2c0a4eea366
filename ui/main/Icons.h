#pragma once
// The program's own pictures, drawn in code: the program icon, the 13 frames of the search
// animation and the toolbar glyphs.

#include <QIcon>
#include <QList>

// The program icon (several sizes).
QIcon ProgramIcon();

// The animation frames: 13 pictures of 16 x 16 pixels, a sweep turning once round the icon.
QList<QIcon> TrayFrames();
inline constexpr int TrayFrameCount = 13;
inline constexpr int TrayFrameSize = 16;

// A question mark in a blue disc, for the Help button.
QIcon HelpIcon();

enum class TToolbarGlyph {
  Run,
  Select,
  SelectCopies,
  SelectAutomatically,
  SelectAll,
  SelectNone,
  SelectInvert,
  Save
};
// The desktop theme's icon for the glyph, else our own drawing of it.
QIcon ToolbarIcon(TToolbarGlyph Glyph);
QIcon DrawnToolbarIcon(TToolbarGlyph Glyph);
