// The menu items that follow the sound and animation slots.
#include "EditorUnit.h"

#include <QAction>

namespace dw {

TMemoryStream* TMainForm::slotRecord(int slotNumber)
{
    TMemoryStream* const records[] = {&FSecSound, &FMinSound, &FHourSound, &FZeroSound, &FMinAnim, &FHourAnim, &FZeroAnim};
    return slotNumber >= 1 && slotNumber <= 7 ? records[slotNumber - 1] : nullptr;
}

void TMainForm::UpdateSlotItems()
{
    // A sound record: empty = no data, 4 bytes = silent, longer = a sound or a file name.
    const struct {
        const TMemoryStream& record;
        QAction* noData;
        QAction* play;
    } sounds[] = {
        {FSecSound, NoData1, Play1}, {FMinSound, NoData2, Play2}, {FHourSound, NoData3, Play3}, {FZeroSound, NoData4, Play4}};
    for (const auto& s : sounds) {
        s.noData->setEnabled(s.record.size() > 0);
        s.play->setEnabled(s.record.size() > 4);
    }
    // An animation record: its parameters end at byte 28; a longer record holds a strip or a
    // file name to play and adjust.
    const struct {
        const TMemoryStream& record;
        QAction* noData;
        QAction* parameters;
        QAction* play;
    } animations[] = {{FMinAnim, NoData5, AnimParam1, Play5},
                      {FHourAnim, NoData6, AnimParam2, Play6},
                      {FZeroAnim, NoData7, AnimParam3, Play7}};
    for (const auto& a : animations) {
        a.noData->setEnabled(a.record.size() > 0);
        a.parameters->setEnabled(a.record.size() > 28);
        a.play->setEnabled(a.record.size() > 28);
    }
}

} // namespace dw
