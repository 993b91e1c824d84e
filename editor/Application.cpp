#include "Application.h"

#include "editor/clock/BuiltinPictures.h"

#include "platform/Seam.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace dw {

void initializeApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Dialwright"));
    seam::setApplicationTitle(kApplicationTitle);
    // The translator is owned by the application and lives as long as it.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
    QApplication::setWindowIcon(applicationIcon());
}

QIcon applicationIcon()
{
    // The built-in dial, cut out as the default clock window is.
    QImage dial = QImage::fromData(builtinPictureBytes(BuiltinPicture::Dial), "BMP").convertToFormat(QImage::Format_ARGB32);
    const QRgb cut = dial.pixel(0, dial.height() - 1);
    for (int y = 0; y < dial.height(); ++y)
        for (int x = 0; x < dial.width(); ++x)
            if (dial.pixel(x, y) == cut)
                dial.setPixel(x, y, qRgba(0, 0, 0, 0));
    return QIcon(QPixmap::fromImage(dial));
}

QFont formFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPA Pゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPixelSize(12);
    return font;
}

} // namespace dw
