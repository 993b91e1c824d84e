#include "GraphicControl.h"

#include "Canvas.h"

#include <algorithm>

namespace dw {

namespace {

bool shown(const TGraphicControl& c) { return c.Visible() || (c.ComponentState() & csDesigning); }

} // namespace

TControlHost::~TControlHost()
{
    for (TGraphicControl* c : m_controls)
        c->m_parent = nullptr;
}

void TControlHost::AlignControls()
{
    TRect rest = ClientRect();
    // Aligned controls take their place whether shown or not, so that showing one later
    // finds it where its alignment says.
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TGraphicControl* c : m_controls) {
            if (c->m_align != pass)
                continue;
            const int32_t w = std::min<int32_t>(c->Width(), int32_t(std::max<int64_t>(rest.Width(), 0)));
            const int32_t h = std::min<int32_t>(c->Height(), int32_t(std::max<int64_t>(rest.Height(), 0)));
            switch (pass) {
            case alTop:
                c->placeBy({rest.Left, rest.Top, rest.Right, rest.Top + h});
                rest.Top += h;
                break;
            case alBottom:
                c->placeBy({rest.Left, rest.Bottom - h, rest.Right, rest.Bottom});
                rest.Bottom -= h;
                break;
            case alLeft:
                c->placeBy({rest.Left, rest.Top, rest.Left + w, rest.Bottom});
                rest.Left += w;
                break;
            case alRight:
                c->placeBy({rest.Right - w, rest.Top, rest.Right, rest.Bottom});
                rest.Right -= w;
                break;
            default: c->placeBy(rest); break;
            }
        }
    }
}

void TControlHost::PaintControls(TCanvas& canvas, const TRect& updateRect)
{
    // A copy: a control's Paint may reorder or remove controls.
    const std::vector<TGraphicControl*> controls = m_controls;
    for (TGraphicControl* c : controls) {
        TRect common;
        if (!shown(*c) || !IntersectRect(common, c->BoundsRect(), updateRect))
            continue;
        struct Restore {
            TCanvas& canvas;
            int level;
            ~Restore() { RestoreDC(canvas, level); }
        } restore{canvas, SaveDC(canvas)};
        OffsetWindowOrgEx(canvas, -c->Left(), -c->Top(), nullptr);
        IntersectClipRect(canvas, 0, 0, c->Width(), c->Height());
        c->Paint(canvas);
    }
}

TGraphicControl* TControlHost::ControlAtPos(TPoint point) const
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        TGraphicControl* c = *it;
        if (shown(*c) && c->BoundsRect().contains(point) && c->CMHitTest({point.X - c->Left(), point.Y - c->Top()}))
            return c;
    }
    return nullptr;
}

TGraphicControl::TGraphicControl() = default;

TGraphicControl::~TGraphicControl() { SetParent(nullptr); }

void TGraphicControl::placeBy(const TRect& bounds)
{
    if (bounds == m_bounds)
        return;
    if (m_parent && shown(*this))
        m_parent->InvalidateRect(m_bounds, true);
    m_bounds = bounds;
    Invalidate();
}

void TGraphicControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    placeBy(Bounds(left, top, std::max(width, 0), std::max(height, 0)));
    if (m_align != alNone && m_parent)
        m_parent->AlignControls();
}

void TGraphicControl::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (m_parent)
        m_parent->InvalidateRect(m_bounds, !(visible && (m_controlStyle & csOpaque)));
}

void TGraphicControl::SetParent(TControlHost* parent)
{
    if (parent == m_parent)
        return;
    if (m_parent) {
        std::erase(m_parent->m_controls, this);
        if (shown(*this))
            m_parent->InvalidateRect(m_bounds, true);
    }
    m_parent = parent;
    if (!m_parent)
        return;
    m_parent->m_controls.push_back(this);
    if (m_align != alNone)
        m_parent->AlignControls();
    Invalidate();
}

void TGraphicControl::SetAlign(TAlign align)
{
    if (align == m_align)
        return;
    m_align = align;
    if (m_parent && m_align != alNone)
        m_parent->AlignControls();
}

void TGraphicControl::BeginLoading() { m_componentState |= csLoading; }

void TGraphicControl::SetDesigning(bool designing)
{
    if (designing)
        m_componentState |= csDesigning;
    else
        m_componentState &= ~TComponentState(csDesigning);
}

void TGraphicControl::Invalidate()
{
    if (m_parent && shown(*this))
        m_parent->InvalidateRect(m_bounds, !(m_controlStyle & csOpaque));
}

void TGraphicControl::Paint(TCanvas&) {}

void TGraphicControl::Loaded() { m_componentState &= ~TComponentState(csLoading); }

bool TGraphicControl::CMHitTest(TPoint point) const { return ClientRect().contains(point); }

} // namespace dw
