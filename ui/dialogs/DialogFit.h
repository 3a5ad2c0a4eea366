#pragma once
// Fixed-size dialogs keep their design size, and grow where a larger desktop font or a longer
// translation needs more room, so that no text is ever cut off.

class QSize;
class QWidget;

// Fixes Dialog's size at Design, or larger where its layout needs more for the texts it shows now.
// Call again after the texts change.
void FitFixedSize(QWidget *Dialog, const QSize &Design);
