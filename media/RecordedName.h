#pragma once

#include <QString>
#include <QStringList>

#include <string>

namespace dw {

// The existing file a slot's recorded name stands for, or an empty string when there is none.
// The name is ANSI (CP932) text as the record holds it; a backslash separates folders as well as
// a slash does. An absolute name is taken as it is; a relative one is looked for in each of the
// folders in turn (empty entries are skipped). Only regular files count.
QString findRecordedFile(const std::string& ansiName, const QStringList& folders);

} // namespace dw
