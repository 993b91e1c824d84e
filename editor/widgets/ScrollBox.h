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

    // For a work area the keys act on: a ring in the highlight colour around the visible area
    // while it has the keyboard focus. Off at first.
    void setShowsFocus(bool shows);
    bool focusShown() const;

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QWidget* m_content;
    QWidget* m_focusRing = nullptr;
    TColor m_color = clBtnFace;
};

} // namespace dw
