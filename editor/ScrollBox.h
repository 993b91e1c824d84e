#pragma once

#include "platform/Color.h"

#include <QScrollArea>

namespace dw {

// A scrolling work area in the framework's manner: the children sit on a content plane whose
// scroll ranges are set explicitly (a range no larger than the visible area shows no scroll
// bar), and the whole area is painted in one colour.
class ScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit ScrollBox(QWidget* parent = nullptr);

    // The plane the controls of the work area are placed on.
    QWidget* content() const { return m_content; }

    // Horizontal and vertical scroll ranges in pixels (the size of the content plane).
    void setRanges(int horizontal, int vertical);
    int horzRange() const;
    int vertRange() const;

    // The colour of the area (a framework colour number; system colours allowed).
    TColor color() const { return m_color; }
    void setColor(TColor color);

private:
    QWidget* m_content;
    TColor m_color = clBtnFace;
};

} // namespace dw
