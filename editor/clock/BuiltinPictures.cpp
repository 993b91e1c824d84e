#include "BuiltinPictures.h"

#include <QFile>

// The resources live in a static library: without a reference from code that is linked anyway,
// the linker would drop their registration.
static void registerBuiltinPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(BuiltinPictures);
        return true;
    }();
    (void)registered;
}

namespace dw {

QString builtinPicturePath(BuiltinPicture picture)
{
    registerBuiltinPictures();
    switch (picture) {
    case BuiltinPicture::Dial:
        return QStringLiteral(":/builtin/pictures/dial.bmp");
    case BuiltinPicture::Hour:
        return QStringLiteral(":/builtin/pictures/hour.bmp");
    case BuiltinPicture::Minute:
        return QStringLiteral(":/builtin/pictures/minute.bmp");
    case BuiltinPicture::Second:
        return QStringLiteral(":/builtin/pictures/second.bmp");
    }
    return {};
}

QByteArray builtinPictureBytes(BuiltinPicture picture)
{
    QFile file(builtinPicturePath(picture));
    // A compiled-in resource cannot be missing or unreadable unless the build is broken.
    if (!file.open(QIODevice::ReadOnly))
        qFatal("built-in picture %s is missing", qPrintable(file.fileName()));
    return file.readAll();
}

} // namespace dw
