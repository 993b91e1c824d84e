#pragma once

// The animation slots' fixture: the editor with the items of a slot, its record, the settings
// and file-name dialogs answered as the user would (what they offered kept), and a strip of
// eight frames to load.

#include "tests/editor/EditorFixture.h"

#include "media/AnimSlot.h"
#include "media/widgets/BitmapImage.h"

#include "platform/ByteOrder.h"

#include "tests/support/TestFiles.h"

#include <QLineEdit>

#include <optional>
#include <tuple>

namespace dw::test {

inline Bytes paramBytes(const TAnimParam& p) { return cat({le32(p.OffsetX), le32(p.OffsetY), le32(p.VertCount), le32(p.HorzCount), le32(p.FrameTime)}); }

inline constexpr QRgb kKey = 0xFF00FF00;

// 4 × 2 frames of 20 × 10; frame k is red 30k with a key-coloured first column.
inline QImage stripImage()
{
    QImage s(80, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            s.setPixel(x, y, x % 20 == 0 ? kKey : qRgb(30 * ((y / 10) * 4 + x / 20), 0, 99));
    return s;
}

struct AnimItems {
    QAction *load, *byFileName, *silent, *noData, *params, *play;
};

class AnimationSlots : public EditorFixture {
protected:
    AnimItems items(int slot) const
    {
        const QString n = QString::number(slot), p = QString::number(slot - 4);
        return {form->menuItem("Load" + n),   form->menuItem("byFileName" + n), form->menuItem("Silent" + n),
                form->menuItem("NoData" + n), form->menuItem("AnimParam" + p),  form->menuItem("Play" + n)};
    }
    Bytes record(int slot) const { return bytesOf(form->slotRecord(slot)); }
    // A record no command makes, put in place for the readers' sake.
    void putRecord(int slot, const Bytes& bytes)
    {
        auto& r = const_cast<TMemoryStream&>(form->slotRecord(slot));
        r.Clear();
        r.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    }
    // No Data, Parameters and Test Play enabled?
    std::tuple<bool, bool, bool> enabled(int slot) const
    {
        const AnimItems i = items(slot);
        return {i.noData->isEnabled(), i.params->isEnabled(), i.play->isEnabled()};
    }
    // Answers the settings dialog: what it offered is kept, then the user's parameters (none:
    // as offered) and result.
    void answerSettings(std::optional<TAnimParam> set, int result = seam::mrOk)
    {
        ui.answerModal([this, set, result](QObject& dialog) {
            auto& dlg = static_cast<TAnimationDlg&>(dialog);
            offered = dlg.GetParam();
            offeredClockAt = dlg.ClockImage->pos();
            offeredClock = dlg.ClockImage->Picture().image().convertToFormat(QImage::Format_RGB32);
            offeredStrip = dlg.AnimImage->Picture().image().convertToFormat(QImage::Format_RGB32);
            offeredTransparent = dlg.AnimImage->Picture().Transparent();
            offeredVisible = !dlg.AnimImage->isHidden();
            if (set)
                dlg.SetParam(*set);
            return result;
        });
    }
    void answerName(const QString& text, int result = seam::mrOk)
    {
        ui.answerModal([this, text, result](QObject& dialog) {
            auto& dlg = static_cast<TStringDlg&>(dialog);
            shownName = dlg.Edit1->text();
            shownCaption = dlg.windowTitle();
            dlg.Edit1->setText(text);
            return result;
        });
    }
    QString strip(const QString& name = QStringLiteral("strip.bmp")) const { return bmp(name, stripImage()); }
    Bytes stripBytes() const { return readFile(file("strip.bmp")); }
    // Loads the strip into a slot with these parameters.
    void loadStrip(int slot, const TAnimParam& p)
    {
        answerSettings(p);
        choose(items(slot).load, strip());
    }

    TAnimParam offered{};
    QPoint offeredClockAt;
    QImage offeredClock, offeredStrip;
    bool offeredTransparent = false, offeredVisible = false;
    auto offeredParams() const { return std::make_tuple(offered.OffsetX, offered.OffsetY, offered.VertCount, offered.HorzCount, offered.FrameTime); }
    QString shownName, shownCaption;
};

} // namespace dw::test
