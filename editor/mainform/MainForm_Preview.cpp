// The live preview: the clock at the time of day, redrawn every second and after every change
// of a picture, a pivot or a centre.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"

#include "editor/clock/ClockComposer.h"
#include "platform/Bitmap.h"
#include "rotateimage/RotateImage.h"

#include <QAction>

namespace dw {

namespace {

TPoint toPoint(const QPoint& p) { return {p.x(), p.y()}; }

} // namespace

ClockScene TMainForm::clockScene() const
{
    ClockScene scene;
    scene.dial = RotateImage1;
    scene.hour = SNeedleImage;
    scene.minute = LNeedleImage;
    scene.second = SecNeedleImage;
    scene.hourCenter = toPoint(FHourCenter);
    scene.minCenter = toPoint(FMinCenter);
    scene.secCenter = toPoint(FSecCenter);
    return scene;
}

void TMainForm::Timer1Timer()
{
    const ClockScene scene = clockScene();
    setHandAngles(scene, handAnglesAt(previewTime()));
    {
        TBitmap picture;
        m_composer->compose(scene, picture);
        ClockImage->setPicture(picture.image());
    }
    if (ExtrudeHand1->isChecked())
        ClockPanel->setWindowRegion(extrudedShape(scene, FClockRgn, panelSize()));
    ClockImage->update();
}

} // namespace dw
