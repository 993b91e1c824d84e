// The clock's pictures: fitting the clock panel to the dial, loading the dial and the hands from
// files (taken as MainForm_PictureFiles.cpp takes every picture file) and putting the built-in
// ones back.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/ScrollBox.h"

#include "editor/clock/ClockLayout.h"
#include "platform/Bitmap.h"
#include "rotateimage/RotateImage.h"

#include <QImage>

namespace dw {

TSize TMainForm::panelSize() const { return m_clockSize; }

void TMainForm::centreHands()
{
    const QPoint centre(m_clockSize.cx / 2, m_clockSize.cy / 2);
    FHourCenter = centre;
    FMinCenter = centre;
    FSecCenter = centre;
}

void TMainForm::assignBuiltin(TRotateImage& renderer, const PictureBox& holder)
{
    TBitmap picture;
    const QByteArray& bytes = holder.bmpBytes();
    picture.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
    renderer.SetBitmap(&picture);
}

void TMainForm::loadRenderersFromStreams(std::array<bool, 4> which)
{
    const struct {
        TMemoryStream& stream;
        TRotateImage& renderer;
        const PictureBox& builtin;
    } pictures[] = {{FBkgStream, *RotateImage1, *Image1},
                    {FHourStream, *SNeedleImage, *HourImage},
                    {FMinStream, *LNeedleImage, *MinImage},
                    {FSecStream, *SecNeedleImage, *SecImage}};
    for (size_t i = 0; i < which.size(); ++i) {
        if (!which[i])
            continue;
        // A picture the engine cannot decode leaves its renderer empty, as when it is loaded by hand.
        if (pictures[i].stream.size() == 0) {
            assignBuiltin(pictures[i].renderer, pictures[i].builtin);
        } else {
            pictures[i].stream.SetPosition(0);
            pictures[i].renderer.LoadFromBmpStream(pictures[i].stream);
            pictures[i].stream.SetPosition(0);
        }
    }
}

void TMainForm::LayoutClock()
{
    // The panel has no bevels (ControlHostPanel draws none) and the renderers fill it.
    const TBitmap& builtinDial = RotateImage1->Bitmap();
    const TSize size = dialPanelSize(FBkgStream, {builtinDial.Width(), builtinDial.Height()});
    m_clockSize = size;
    placeClockPanel();

    // The default holes: half the built-in hand's width across, a share of the dial's half-size
    // down. A hand that is still the built-in one keeps the hole it is drawn for, the one it has
    // on the built-in dial: its picture does not grow with the dial, so a hole sized from a larger
    // dial would leave it floating off the centre.
    const TSize builtinSize{builtinDial.Width(), builtinDial.Height()};
    const struct {
        TRotateImage& renderer;
        const TMemoryStream& stream;
        int32_t tenths;
    } hands[] = {{*LNeedleImage, FMinStream, kMinutePivotTenths},
                 {*SNeedleImage, FHourStream, kHourPivotTenths},
                 {*SecNeedleImage, FSecStream, kSecondPivotTenths}};
    for (const auto& hand : hands) {
        const bool builtinHand = hand.stream.size() == 0;
        hand.renderer.SetPivotX(hand.renderer.Bitmap().Width() / 2);
        hand.renderer.SetPivotY(defaultPivotY(builtinHand ? builtinSize : size, hand.tenths));
        hand.renderer.SetPivot(true);
    }
}

void TMainForm::Background1Click()
{
    if (const std::optional<QString> path = choosePictureFile())
        takePictureFile(PictureSlot::Dial, *path, true);
}

void TMainForm::putDial(TMemoryStream& loaded)
{
    SetModified(true);
    // The bytes are taken over, not copied: the caller has no more use for them.
    FBkgStream = std::move(loaded);
    FBkgStream.SetPosition(0);
    RotateImage1->LoadFromBmpStream(FBkgStream);
    LayoutClock();
    centreHands();
    SetRgnFromBkg();
    Timer1Timer();
}

void TMainForm::loadHand(PictureSlot hand)
{
    if (const std::optional<QString> path = choosePictureFile())
        takePictureFile(hand, *path, true);
}

void TMainForm::putHand(TMemoryStream& loaded, TMemoryStream& stream, TRotateImage& renderer, int32_t tenths)
{
    SetModified(true);
    // The built-in hand's hole was its own; a hand loaded in its place takes the dial's default
    // height, as LayoutClock gives a loaded hand. A loaded hand replaced keeps its height.
    if (stream.size() == 0)
        renderer.SetPivotY(defaultPivotY(panelSize(), tenths));
    stream = std::move(loaded);
    stream.SetPosition(0);
    renderer.LoadFromBmpStream(stream);
    // A file too short to state a width keeps the pivot it had; it shows no hand anyway.
    if (const std::optional<int32_t> pivotX = loadedHandPivotX(stream))
        renderer.SetPivotX(*pivotX);
    Timer1Timer();
}

void TMainForm::N2Click() { loadHand(PictureSlot::HourHand); }
void TMainForm::N3Click() { loadHand(PictureSlot::MinuteHand); }
void TMainForm::N4Click() { loadHand(PictureSlot::SecondHand); }

void TMainForm::N10Click()
{
    assignBuiltin(*RotateImage1, *Image1);
    FBkgStream.Clear();
    m_linkedFiles[size_t(LinkedPicture::Dial)].clear();
    LayoutClock();
    centreHands();
    SetRoundRectRgn();
    Timer1Timer();
}

void TMainForm::N12Click()
{
    assignBuiltin(*SNeedleImage, *HourImage);
    FHourStream.Clear();
    m_linkedFiles[size_t(LinkedPicture::Hour)].clear();
    Timer1Timer();
}

void TMainForm::N14Click()
{
    assignBuiltin(*LNeedleImage, *MinImage);
    FMinStream.Clear();
    m_linkedFiles[size_t(LinkedPicture::Minute)].clear();
    Timer1Timer();
}

void TMainForm::N16Click()
{
    assignBuiltin(*SecNeedleImage, *SecImage);
    FSecStream.Clear();
    m_linkedFiles[size_t(LinkedPicture::Second)].clear();
    Timer1Timer();
}

} // namespace dw
