// Plays a picture (QPicture) on a page. Qt's own playback sizes the picture's texts for the page's
// resolution and then scales them again with the picture, so that a picture made on the screen
// prints its letters many times too large at a printer's resolution; and a picture's fonts are
// whole dots of the screen in size. Here every shape goes to the page scaled with the picture,
// and every text is set anew at the page's resolution, at the point size its font was given,
// where the picture put it.
#pragma once

class QPainter;
class QPicture;
class QRectF;
class QTransform;

// Plays picture on page (an active painter) through toPage, the mapping from the picture's
// coordinates to page's device coordinates (a scale the same in both directions, and a move).
// Nothing is drawn outside clip, in device coordinates.
void PlayPicture(const QPicture& picture, QPainter& page, const QTransform& toPage,
                 const QRectF& clip);
