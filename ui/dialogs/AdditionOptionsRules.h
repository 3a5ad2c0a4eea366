#pragma once
// The rules of the comparison options dialog apart from its widgets: the percentage ranges and the
// rule that keeps at least one comparison switched on on each page.

class TSearchOptions;

// Lowest percentages: the artists must match by half at least, titles, names and extensions by a fifth.
inline constexpr int ArtistPercentMin = 50;
inline constexpr int PercentMin = 20;
inline constexpr int PercentMax = 100;

// The check boxes that take part in the rule.
enum class TOptionBox { MusicTagArtist, MusicTagSong, FilePropertyName, FilePropertyExt, FilePropertySize };

// After a click on Clicked: when Shown (the dialog's boxes) has no comparison of that page left on,
// one is switched on again. The artist and title boxes turn on each other, the name and extension
// boxes too; the size box undoes its own uncheck.
void KeepOneComparison(TOptionBox Clicked, TSearchOptions &Shown);
