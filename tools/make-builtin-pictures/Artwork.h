#pragma once

#include "IndexedPicture.h"

// The built-in pictures of the editor. Each is drawn antialiased in true colour and then mapped
// onto its own 16-colour palette; the background colour (the colour key of the picture) is
// reserved for the background, so no pixel of the artwork can turn transparent by accident.

// 200 × 200: a round dial filling the picture; outside the disc pure blue (0, 0, 255).
IndexedPicture drawDial();
// 15 × height on white: a hand pointing up, a broad head at the top and a one-pixel shaft
// in column 7 down to the bottom edge (the hand's pivot lies just below the picture).
IndexedPicture drawHand(int height, double widestY, double taperEndY);
// 13 × 16 on olive (128, 128, 0): the mark that orbits the dial as the second hand.
IndexedPicture drawSecondMark();
