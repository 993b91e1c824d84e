// Picture files taken into the project: the one way a file becomes the dial, a hand, the mask or
// an animation strip, whether chosen in a file dialog or dropped on the window. The file is
// checked whole, a picture the clock cannot show is offered for conversion (once per file for
// the run), and the picture dialog starts in the folder of the picture taken last.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/CommonDialogs.h"

#include "editor/clock/ClockLayout.h"
#include "editor/clock/PictureConversion.h"
#include "media/SlotRecord.h"
#include "platform/FileNames.h"
#include "platform/Seam.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace dw {

namespace {

// What the question says of a picture's transparency, before its choices.
QString transparencyRemark(const PictureForm& form)
{
    if (!form.hasAlpha)
        return {};
    QString remark = QStringLiteral("透明度（アルファチャンネル）が 128 以上の点はその色のまま不透明に、"
                                    "128 未満の点は透明になります。\n");
    // The engine keys the bottom-left pixel's colour: the see-through parts show through only
    // when that pixel is one of them.
    if (form.keying.anySeeThrough && !form.keying.cornerSeeThrough)
        remark += QStringLiteral("ただし、左下の角の点が透明ではないため、透明な部分は時計で透けて見えません"
                                 "（赤 %1・緑 %2・青 %3 の色で塗られます）。\n時計で透けるのは、左下の角の点と同じ色の部分です。\n")
                      .arg(qRed(form.keying.key))
                      .arg(qGreen(form.keying.key))
                      .arg(qBlue(form.keying.key));
    return remark;
}

} // namespace

std::optional<QString> TMainForm::chooseFile(seam::FileDialogRequest& dialog)
{
    if (m_droppedFile) {
        std::optional<QString> dropped = std::exchange(m_droppedFile, std::nullopt);
        dialog.fileName = *dropped;
        return dropped;
    }
    return executeFileDialog(dialog);
}

std::optional<QString> TMainForm::choosePictureFile()
{
    OpenPictureDialog1.initialDir = m_pictureFolder;
    return chooseFile(OpenPictureDialog1);
}

bool TMainForm::conversionAgreed(const QString& path) const
{
    const QString canonical = canonicalName(path);
    return !canonical.isEmpty() && m_agreedConversions.contains(canonical);
}

bool TMainForm::readPictureFile(const QString& path, TMemoryStream& loaded, bool decodedOnly, bool ask,
                                QString* refusal)
{
    // A file that is no picture by its first bytes is not read whole only to be refused.
    PictureForm form;
    if (fileIsNoPicture(path)) {
        form.picture.problem = PictureProblem::NotAPicture;
    } else {
        loaded.LoadFromFile(path);
        form = examinePicture(loaded, decodedOnly ? PictureUse::Decoded : PictureUse::Stored);
    }
    const QString fileName = QFileInfo(path).fileName();
    if (form.refused()) {
        const QString why = pictureRefusalMessage(fileName, form.picture);
        if (refusal)
            *refusal = why;
        if (ask)
            seam::messageBox(why, seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
        return false;
    }
    if (!form.convertible())
        return true;
    // A file the user agreed to convert in this run is converted again without a question;
    // without asking, any other is taken as it is, as the user took it before.
    bool convert = conversionAgreed(path);
    if (!convert && ask) {
        const QString question = QStringLiteral("「%1」は時計で表示できない形式の画像です（%2）。\n"
                                                "24 ビットのビットマップに変換して使いますか？\n")
                                     .arg(fileName, QString::fromLatin1(form.picture.format).toUpper())
                                 + transparencyRemark(form)
                                 + QStringLiteral("\n［OK］変換して使います。\n"
                                                  "［キャンセル］変換せずにそのまま使います（時計には表示されません）。");
        // Converting is what the user most likely wants: OK is the default.
        convert = seam::messageBox(question, seam::applicationTitle(), seam::MB_OKCANCEL | seam::MB_ICONQUESTION)
                  == seam::IDOK;
        const QString canonical = canonicalName(path);
        if (convert && !canonical.isEmpty())
            m_agreedConversions.insert(canonical);
    }
    if (convert)
        convertToClockBitmap(form.picture.image, loaded, &form.keying);
    return true;
}

bool TMainForm::takePictureFile(PictureSlot slot, const QString& path, bool ask, QString* refusal)
{
    const bool decodedOnly = slot == PictureSlot::Mask || slot >= PictureSlot::MinuteStrip;
    // The whole file is read before anything changes: one that cannot be read ends the
    // command with the framework's error and leaves the project as it was.
    TMemoryStream loaded;
    if (!readPictureFile(path, loaded, decodedOnly, ask, refusal))
        return false;
    m_pictureFolder = QFileInfo(path).absolutePath();
    bool taken = true;
    switch (slot) {
    case PictureSlot::Dial: putDial(loaded); break;
    case PictureSlot::HourHand: putHand(loaded, FHourStream, *SNeedleImage, kHourPivotTenths); break;
    case PictureSlot::MinuteHand: putHand(loaded, FMinStream, *LNeedleImage, kMinutePivotTenths); break;
    case PictureSlot::SecondHand: putHand(loaded, FSecStream, *SecNeedleImage, kSecondPivotTenths); break;
    case PictureSlot::Mask: putMask(loaded); break;
    case PictureSlot::MinuteStrip:
    case PictureSlot::HourStrip:
    case PictureSlot::ZeroStrip: {
        const int number = kMinuteAnimSlot + int(slot) - int(PictureSlot::MinuteStrip);
        taken = putStrip(m_slots[size_t(number - 1)], loaded, path, ask);
        break;
    }
    }
    // The picture now follows its file: a change saved to it is read again.
    if (taken)
        m_linkedFiles[size_t(slot)] = QFileInfo(path).absoluteFilePath();
    return taken;
}

} // namespace dw
