// The slot items that follow their records: No Data while a record exists, Test Play while it
// holds more than the slot number (a sound) or more than its parameters (an animation),
// Parameters like Test Play.
#include "EditorUnit.h"

#include <QAction>

namespace dw {

void TMainForm::UpdateSlotItems()
{
    const struct {
        const TMemoryStream& record;
        QAction* noData;
        QAction* play;
    } sounds[] = {{FSecSound, NoData1, Play1}, {FMinSound, NoData2, Play2}, {FHourSound, NoData3, Play3},
                  {FZeroSound, NoData4, Play4}};
    for (const auto& s : sounds) {
        s.noData->setEnabled(s.record.size() > 0);
        s.play->setEnabled(s.record.size() > 4);
    }
    const struct {
        const TMemoryStream& record;
        QAction* noData;
        QAction* play;
        QAction* params;
    } animations[] = {{FMinAnim, NoData5, Play5, AnimParam1}, {FHourAnim, NoData6, Play6, AnimParam2},
                      {FZeroAnim, NoData7, Play7, AnimParam3}};
    for (const auto& a : animations) {
        a.noData->setEnabled(a.record.size() > 0);
        a.play->setEnabled(a.record.size() > 28);
        a.params->setEnabled(a.record.size() > 28);
    }
}

} // namespace dw
