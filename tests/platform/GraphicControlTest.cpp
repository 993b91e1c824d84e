#include "platform/Canvas.h"
#include "platform/GraphicControl.h"

#include <gtest/gtest.h>

#include <memory>

using namespace dw;

namespace {

struct Invalidation {
    TRect rect;
    bool erase;
    friend bool operator==(const Invalidation&, const Invalidation&) = default;
};

class Host : public TControlHost {
public:
    TRect client{0, 0, 100, 80};
    std::vector<Invalidation> invalidated;
    void InvalidateRect(const TRect& rect, bool erase) override { invalidated.push_back({rect, erase}); }
    TRect ClientRect() const override { return client; }
};

// Paints its client rectangle's corners and records the clip box it was given.
class Probe : public TGraphicControl {
public:
    TRect clipSeen;
    int paints = 0;
    bool onlyLeftHalf = false;
    void Paint(TCanvas& canvas) override
    {
        ++paints;
        clipSeen = canvas.ClipRect();
        canvas.Brush.Color = clRed;
        canvas.FillRect({-5, -5, Width() + 5, Height() + 5}); // beyond its bounds: clipped
        canvas.SetPixel(0, 0, clWhite);
    }
    bool CMHitTest(TPoint p) const override { return !onlyLeftHalf || p.X < Width() / 2; }
};

} // namespace

TEST(GraphicControl, ClientAlignmentFillsTheParentAndFollowsItsSize)
{
    Host host;
    Probe top, client;
    top.SetBounds(0, 0, 10, 15);
    top.SetAlign(alTop);
    client.SetAlign(alClient);
    client.SetVisible(false); // hidden controls are aligned as well
    top.SetParent(&host);
    client.SetParent(&host);
    EXPECT_EQ(top.BoundsRect(), (TRect{0, 0, 100, 15}));
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 15, 100, 80}));
    host.client = {0, 0, 60, 40};
    host.AlignControls();
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 15, 60, 40}));
    client.SetBounds(5, 5, 1, 1);
    EXPECT_EQ(client.BoundsRect(), (TRect{0, 15, 60, 40})) << "an aligned control stays aligned";
    client.SetAlign(alNone);
    client.SetBounds(5, 5, 1, 1);
    EXPECT_EQ(client.BoundsRect(), (TRect{5, 5, 6, 6}));
}

TEST(GraphicControl, InvalidateAsksTheParentOnlyWhenShown)
{
    Host host;
    Probe c;
    c.SetBounds(10, 20, 30, 40);
    c.SetParent(&host);
    host.invalidated.clear();
    c.Invalidate();
    ASSERT_EQ(host.invalidated.size(), 1u);
    EXPECT_EQ(host.invalidated[0], (Invalidation{{10, 20, 40, 60}, true}));
    c.SetControlStyle(csOpaque);
    c.Invalidate();
    EXPECT_FALSE(host.invalidated.back().erase) << "an opaque control needs no erase";
    c.SetVisible(false);
    host.invalidated.clear();
    c.Invalidate();
    EXPECT_TRUE(host.invalidated.empty()) << "hidden";
    c.SetDesigning(true);
    c.Invalidate();
    EXPECT_EQ(host.invalidated.size(), 1u) << "shown at design time";
    c.SetDesigning(false);
    host.invalidated.clear();
    c.SetBounds(0, 0, 5, 5);
    EXPECT_TRUE(host.invalidated.empty());
}

TEST(GraphicControl, PaintDrawsInClientCoordinatesClippedAndRestoresTheCanvas)
{
    Host host;
    Probe a, hidden;
    a.SetBounds(2, 3, 4, 2);
    hidden.SetBounds(0, 0, 10, 10);
    hidden.SetVisible(false);
    a.SetParent(&host);
    hidden.SetParent(&host);
    QImage img(10, 8, QImage::Format_RGB32);
    img.fill(0xFF000000u);
    TCanvas canvas(&img);
    host.PaintControls(canvas, {0, 0, 10, 8});
    EXPECT_EQ(a.paints, 1);
    EXPECT_EQ(hidden.paints, 0);
    EXPECT_EQ(a.clipSeen, (TRect{0, 0, 4, 2}));
    EXPECT_EQ(img.pixel(2, 3) & 0xFFFFFF, 0xFFFFFFu) << "client (0, 0) is the control's top-left";
    EXPECT_EQ(img.pixel(5, 4) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(6, 4) & 0xFFFFFF, 0u) << "clipped to the control";
    EXPECT_EQ(img.pixel(1, 3) & 0xFFFFFF, 0u);
    EXPECT_FALSE(GetClipRgn(canvas)) << "the host's canvas is as before";
    TPoint org{1, 1};
    GetWindowOrgEx(canvas, &org);
    EXPECT_EQ(org, (TPoint{0, 0}));
    host.PaintControls(canvas, {7, 0, 10, 8});
    EXPECT_EQ(a.paints, 1) << "outside the update rectangle";
}

TEST(GraphicControl, HitTestFindsTheTopmostControlThatAccepts)
{
    Host host;
    Probe under, over;
    under.SetBounds(0, 0, 20, 20);
    over.SetBounds(10, 0, 20, 20);
    over.onlyLeftHalf = true;
    under.SetParent(&host);
    over.SetParent(&host);
    EXPECT_EQ(host.ControlAtPos({15, 5}), &over);
    EXPECT_EQ(host.ControlAtPos({25, 5}), nullptr) << "over refuses its right half";
    EXPECT_EQ(host.ControlAtPos({5, 5}), &under);
    TGraphicControl plain;
    plain.SetBounds(3, 3, 20, 20);
    EXPECT_TRUE(plain.CMHitTest({0, 0}));
    EXPECT_TRUE(plain.CMHitTest({19, 19}));
    EXPECT_FALSE(plain.CMHitTest({20, 0})) << "the default accepts the client rectangle";
}

TEST(GraphicControl, LoadingStateAndLifetimes)
{
    auto host = std::make_unique<Host>();
    auto c = std::make_unique<Probe>();
    c->BeginLoading();
    EXPECT_TRUE(c->ComponentState() & csLoading);
    c->Loaded();
    EXPECT_FALSE(c->ComponentState() & csLoading);
    c->SetParent(host.get());
    ASSERT_EQ(host->Controls().size(), 1u);
    c.reset();
    EXPECT_TRUE(host->Controls().empty()) << "a destroyed control leaves its host";
    Probe survivor;
    survivor.SetParent(host.get());
    host.reset();
    EXPECT_EQ(survivor.Parent(), nullptr);
}
