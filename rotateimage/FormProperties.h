#pragma once

// The rotating image control's part of a form description: its published properties as
// "Name = Value" lines, in the published order, with only what the control stores (properties
// at their default are left out, TransparentColor only while TransparentMode is tmFixed, PivotX
// and PivotY only while Pivot is on, Angle never — AngleEx carries it). The bitmap goes as
// "Bitmap.Data = {" hex lines of its bitmap file "}".
//
//   Left = 8
//   Top = 8
//   Width = 120
//   Height = 90
//   Transparent = True
//   Pivot = True
//   PivotX = 0
//   PivotY = 0
//   AngleEx = 2700

#include <QString>

namespace dw {

class TCustomRotateImage;

struct FormReadResult {
    bool ok = true;
    int line = 0;  // 1-based line of the first problem, 0 when ok
    QString error; // in English, with the line; empty when ok
    explicit operator bool() const { return ok; }
};

// The lines of the control's stored properties (TRotateImage's own ones when it is one).
QString writeFormProperties(const TCustomRotateImage& control);

// Reads properties written by writeFormProperties (any subset, in any order; a name given twice
// takes the later value). The whole text is checked first: an unknown property, a malformed or
// out-of-range value or unreadable bitmap data leaves the control untouched and names the line.
// Otherwise the values are set in their order while the control is marked as being loaded, so
// that nothing renders until Loaded, which is called at the end and renders once.
FormReadResult readFormProperties(TCustomRotateImage& control, const QString& text);

} // namespace dw
