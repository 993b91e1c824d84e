#pragma once

#include <QString>

namespace dw {

// Characters the saved file cannot hold, named for the user one after another, separated by
// spaces: each in 「」 when it can be seen, as U+XXXX otherwise (a line break, NUL).
QString namesOfCharacters(const QString& characters);

// The message for a typed file name with characters the saved file cannot hold.
QString unstorableNameMessage(const QString& characters);

} // namespace dw
