#pragma once

#include <QByteArray>
#include <QString>

namespace dw {

// The four built-in pictures of the default clock: complete 16-colour BMP files compiled into
// the program (editor/pictures/, drawn by tools/make-builtin-pictures).
enum class BuiltinPicture {
    Dial,   // 200 × 200, the corners outside the round dial pure blue; held by Image1
    Hour,   // 15 × 70 on white; held by HourImage
    Minute, // 15 × 90 on white; held by MinImage
    Second, // 13 × 16 on olive; held by SecImage
};

// The file bytes of a built-in picture.
QByteArray builtinPictureBytes(BuiltinPicture picture);
// Its resource path, for code that wants to open it as a file.
QString builtinPicturePath(BuiltinPicture picture);

} // namespace dw
