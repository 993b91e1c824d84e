// The options menu: the load-time option groups, automatic compression, hands over the
// transparent parts of the dial, and the workbench colour.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ScrollBox.h"

#include <QAction>

#include <algorithm>

namespace dw {

void TMainForm::Default1Click(QAction* sender)
{
    const auto groups = optionGroups();
    bool known = false;
    for (const auto& group : groups)
        known = known || std::find(group.begin(), group.end(), sender) != group.end();
    // A sender that is none of the twelve items changes nothing.
    if (!known)
        return;
    // The toolkit has toggled the item: unchecked now means it was the choice already made.
    const bool wasChecked = !sender->isChecked();
    // The hidden sound group follows the animation group, item for item.
    for (size_t kind = 0; kind < 3; ++kind)
        if (sender == groups[3][kind])
            groups[2][kind]->setChecked(true);
    if (wasChecked)
        sender->setChecked(true);
    else
        SetModified(true);
}

void TMainForm::Compress1Click(QAction* sender)
{
    // The toolkit has toggled the item before this runs. Switching the hands off the shape
    // shows the plain shape at once; switching them on waits for the next tick.
    if (sender == ExtrudeHand1 && !ExtrudeHand1->isChecked()) {
        SetModified(true);
        showClockRgn();
    }
}

void TMainForm::N17Click()
{
    // An editor preference, not part of the project: the modified flag stays.
    if (const std::optional<uint32_t> colour = seam::colorDialog(QStringLiteral("ColorDialog1"), workbenchColor()))
        ScrollBox1->setColor(TColor(*colour));
}

uint32_t TMainForm::workbenchColor() const { return uint32_t(ScrollBox1->color()); }

QColor TMainForm::workbenchQColor() const { return ScrollBox1->viewport()->palette().color(QPalette::Window); }

} // namespace dw
