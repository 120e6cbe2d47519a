#pragma once

// Where a window of the given length starts when centred over a reference
// span, with the half of an odd difference truncated toward zero, then kept
// on a screen of screen_length: pulled to 0 when it would start before it,
// else back so that it ends at the screen's far edge.
int CentredPosition(int reference_start, int reference_length, int length, int screen_length);
