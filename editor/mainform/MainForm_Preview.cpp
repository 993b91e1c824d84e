// The live preview: the clock at the time of day, redrawn every second and after every change
// of a picture, a pivot or a centre.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PreviewBox.h"

#include "editor/clock/ClockView.h"
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
    // Only what changed and is in view is drawn again, when the work area paints.
    m_view->tick(scene, *ClockImage);
    if (ExtrudeHand1->isChecked())
        showWindowRegion(extrudedShape(scene, FClockRgn, panelSize()));
}

QImage TMainForm::previewPicture() const
{
    TBitmap picture;
    composeClock(clockScene(), picture);
    return picture.image();
}

} // namespace dw
