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

// The absolute name of what path names, links resolved (realpath); empty when nothing is there.
QString canonicalName(const QString& path);

// Whether the toolkit's own file functions (QFile, QFileInfo, QFileSystemWatcher) reach the file
// of this name: they do not when it holds a byte that is not UTF-8.
bool toolkitReaches(const QString& path);

// A name as one word of printable ASCII (%XX for every byte but letters, digits and "-._~"), and
// back, exactly: for records that hold names among other words.
QByteArray percentName(const QString& name);
QString nameFromPercent(const QByteArray& word);

} // namespace dw
