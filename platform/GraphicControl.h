#pragma once

#include "Geometry.h"

#include <cstdint>
#include <vector>

namespace dw {

class TCanvas;
class TGraphicControl;

enum TAlign : int { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Component state flags.
enum TComponentStateFlag : uint32_t {
    csLoading = 1u << 0,   // being read from a form resource; Loaded() clears it
    csDesigning = 1u << 1, // shown in a designer: hidden controls are painted too
};
using TComponentState = uint32_t;

// Control style flags.
enum TControlStyleFlag : uint32_t {
    // The control paints every pixel of its bounds, so its parent need not erase the
    // background behind it before a repaint.
    csOpaque = 1u << 0,
};
using TControlStyle = uint32_t;

// The window a windowless control paints on. A window class of the program derives from
// it, answers the two questions below and calls AlignControls when its client area changes
// size, PaintControls from its paint handler and ControlAtPos to route the mouse. The host
// does not own its controls; a control leaves its host when destroyed, and a host that goes
// first leaves its controls without a parent.
class TControlHost {
public:
    virtual ~TControlHost();

    // Asks for a repaint of a rectangle of the client area, erasing the background first
    // when erase is set.
    virtual void InvalidateRect(const TRect& rect, bool erase) = 0;
    // The client area, (0, 0) at its top-left.
    virtual TRect ClientRect() const = 0;

    // Controls in painting order: the last one lies on top.
    const std::vector<TGraphicControl*>& Controls() const { return m_controls; }

    // Re-applies every control's Align against the client area: alTop, alBottom, alLeft
    // and alRight controls take their height or width from the remaining space's edge, in
    // that order and in painting order within each; alClient ones fill what remains.
    void AlignControls();
    // Paints every shown control (visible, or any at design time) that meets updateRect:
    // for each, the device state is saved, the window origin moved so that the control
    // draws in its client coordinates, the clip intersected with its client rectangle,
    // Paint called and the state restored (also when Paint raises).
    void PaintControls(TCanvas& canvas, const TRect& updateRect);
    // The topmost shown control whose bounds hold the point (client coordinates of the host)
    // and whose CMHitTest accepts it; nullptr for none.
    TGraphicControl* ControlAtPos(TPoint point) const;

private:
    friend class TGraphicControl;
    std::vector<TGraphicControl*> m_controls;
};

// The framework's windowless control: a rectangle of its parent's client area that paints
// itself on the parent's canvas.
class TGraphicControl {
public:
    TGraphicControl();
    virtual ~TGraphicControl();
    TGraphicControl(const TGraphicControl&) = delete;
    TGraphicControl& operator=(const TGraphicControl&) = delete;

    int32_t Left() const { return m_bounds.Left; }
    int32_t Top() const { return m_bounds.Top; }
    int32_t Width() const { return int32_t(m_bounds.Width()); }
    int32_t Height() const { return int32_t(m_bounds.Height()); }
    void SetLeft(int32_t v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int32_t v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int32_t v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int32_t v) { SetBounds(Left(), Top(), Width(), v); }
    // Moves and sizes the control (negative sizes count as 0), repainting the old and the
    // new place. An aligned control is put back where its alignment says.
    virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    // In the parent's client coordinates, and (0, 0, Width, Height).
    TRect BoundsRect() const { return m_bounds; }
    TRect ClientRect() const { return {0, 0, Width(), Height()}; }

    bool Visible() const { return m_visible; }
    // Repaints the control's place (with background erase, except when it becomes visible
    // and is opaque).
    void SetVisible(bool visible);

    TControlHost* Parent() const { return m_parent; }
    // Leaves the old parent (repainting the place there) and joins the new one on top.
    void SetParent(TControlHost* parent);

    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);

    TComponentState ComponentState() const { return m_componentState; }
    // Marks the start of reading the control from a form resource (sets csLoading).
    void BeginLoading();
    void SetDesigning(bool designing);
    TControlStyle ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(TControlStyle style) { m_controlStyle = style; }

    // A repaint request for the control's bounds, sent to the parent when the control is
    // shown (visible, or at design time); the background is erased unless csOpaque is set.
    void Invalidate();

    // Paints the control; the canvas's logical (0, 0) is the control's top-left corner and
    // drawing is clipped to its client rectangle.
    virtual void Paint(TCanvas& canvas);
    // Called once every property has been read from a form resource: clears csLoading.
    // Overrides call it first.
    virtual void Loaded();
    // The handler of the framework's hit-test message: whether a point in client coordinates
    // belongs to the control. The default accepts the whole client rectangle.
    virtual bool CMHitTest(TPoint point) const;

private:
    friend class TControlHost;
    void placeBy(const TRect& bounds); // the host's alignment

    TRect m_bounds;
    bool m_visible = true;
    TControlHost* m_parent = nullptr;
    TAlign m_align = alNone;
    TComponentState m_componentState = 0;
    TControlStyle m_controlStyle = 0;
};

} // namespace dw
