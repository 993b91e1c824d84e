#pragma once

#include "editor/clock/HandPlacement.h"

#include <QWidget>

#include <utility>
#include <vector>

namespace dw {

// The rotation-hole marker of the hand positioning dialog: a 255 × 255 control drawn over the
// pictures with an inverting pen (a circle, four dotted arms and a small cross), so that it
// shows on any background. It has no fill, so the pictures show through everywhere else.
//
// It takes the mouse only inside its circle, which a widget cannot express (a mask would clip
// the arms too): the widget itself lets every event through, and the work area asks
// HandPlacement::markerHits where a press goes, then calls the dialog's shared handlers with
// this control as the sender.
class TCenterMark : public QWidget {
    Q_OBJECT
public:
    explicit TCenterMark(QWidget* parent = nullptr);

    int FRadius = HandPlacement::kMarkerRadius;

    // Whether a point of the control (control coordinates) is one the marker takes the mouse at.
    bool hits(QPoint p) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::pair<int, int>> m_circle; // the circle's pixels around (0, 0)
    int m_circleRadius = -1;                   // the radius m_circle was made for
};

} // namespace dw
