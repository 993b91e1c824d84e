#pragma once

#include <QDateTime>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace dw {

// The header text member of the custom data file: one "key=value" line per setting, in a
// fixed order, each line ended by CR LF.
struct DataFileHeader {
    // A load-time option group: which of its three menu items is checked.
    enum Option { OptionDefault = 0, OptionYes = 1, OptionNo = 2 };

    QString title;                      // "Title=" only when not empty
    QPoint hourPivot, minPivot, secPivot;   // hand-picture pixels
    QPoint hourCenter, minCenter, secCenter; // dial pixels
    Option translucent = OptionDefault;        // "TLH="
    Option colorEffect = OptionDefault;        // "TE="
    Option countHourSound = OptionDefault;     // "CHS="
    Option countHourAnimation = OptionDefault; // "CHA="
    bool extrudeHand = false;           // "ExtrudeHand=1"
    QDateTime saved;                    // "Date=", local time of the save
};

// The credit every saved file carries after "CopyRight=".
QString copyRightCredit();

// "yyyy/mm/dd H:mm:ss": the date with slashes and the 24-hour long time of a Japanese system.
QString saveDateText(const QDateTime& when);

// The header lines in file order, without line ends.
QStringList headerLines(const DataFileHeader& header);

// All lines, each followed by CR LF (the last one too).
QString headerText(const DataFileHeader& header);

// A header text read back. Lines end at CR LF (or a lone CR or LF); a line without "=" is no
// setting; of a key given twice the first counts. The twelve pivot and centre keys are
// required, each with a 32-bit whole number in decimal; an option key counts only with 1 (yes)
// or 2 (no), ExtrudeHand only with 1, and a Date that does not read leaves `saved` invalid.
struct HeaderReading {
    DataFileHeader header;
    // The first required key (without "=") that is missing or whose value is no 32-bit whole
    // number, and that value; both empty when the header is complete.
    QString badKey;
    QString badValue;
    bool missing = false; // the key is not there at all
    bool ok() const { return badKey.isEmpty(); }
};
HeaderReading readHeaderText(const QString& text);

} // namespace dw
