#pragma once

namespace linnery {

// Where a text block of W x H pixels lands when it is drawn rotated by `angle` degrees counter-clockwise
// about its top-left corner, and how big a label must be to hold it.
struct RotatedTextGeometry {
    int angle = 0;  // the angle actually used: outside 0..359 it is 0
    int shiftX = 0; // move the drawing origin by this much so the rotated block starts at the
    int shiftY = 0; //   rectangle's top-left corner
    int width = 0;  // the label's size around the rotated block, with half the 3D depth added
    int height = 0;
};

// Angles below 0 or above 359 are not wrapped: they fall back to 0.
int normalizedLabelAngle(int angle);

// Computed in x87 extended precision and truncated toward zero, so the results are one pixel short
// exactly where the 3D label always was (e.g. H - 1 across at 270 degrees).
RotatedTextGeometry rotatedTextGeometry(int angle, int w, int h, int depth);

} // namespace linnery
