#pragma once

// File names as the file system has them: bytes, mostly UTF-8, but any bytes but "/" and NUL.
// The toolkit turns a name that is not valid UTF-8 into replacement characters, and that name
// then names no file. These keep every name in a QString and give its bytes back without loss:
// valid UTF-8 as its characters, any other byte b as the lone surrogate U+DC00 + b (as Python's
// "surrogateescape" does), which no valid name decodes to.

#include <QByteArray>
#include <QString>

namespace dw {

QString nameFromFileSystem(const QByteArray& bytes);
QByteArray fileSystemName(const QString& name);

// Whether something is at path (a link to nothing counts as nothing).
bool fileExists(const QString& path);

} // namespace dw
