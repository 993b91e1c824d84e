#pragma once

#include "platform/GraphicControl.h"
#include "platform/Region.h"

#include <QWidget>

#include <optional>

namespace dw {

// A panel that hosts the program's windowless controls (TGraphicControl): it paints them in
// its paint handler, re-aligns them when its size changes and passes their repaint requests
// on. It also carries the window region of the clock: the panel shows only the pixels of its
// region (its widget mask), or all of them when it has none.
class ControlHostPanel : public QWidget, public TControlHost {
    Q_OBJECT
public:
    explicit ControlHostPanel(QWidget* parent = nullptr);

    void InvalidateRect(const TRect& rect, bool erase) override;
    TRect ClientRect() const override;

    // Makes the region (panel coordinates) the panel's window region, or removes the window
    // region for none, and repaints. A region is never empty here: callers pass none for "no
    // shape", since an empty region would hide the whole panel.
    void setWindowRegion(const std::optional<TRegion>& region);
    // The window region; none when the panel has none.
    std::optional<TRegion> windowRegion() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace dw
