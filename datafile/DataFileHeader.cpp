#include "DataFileHeader.h"

namespace dw {

QString copyRightCredit() { return QStringLiteral("Dialwright ver. 2.25a, by the Dialwright developers"); }

QString saveDateText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

QStringList headerLines(const DataFileHeader& header)
{
    QStringList lines;
    const auto number = [&lines](const char* key, int value) {
        lines << QString::fromLatin1(key) + QString::number(value);
    };
    const auto option = [&lines](const char* key, DataFileHeader::Option value) {
        if (value == DataFileHeader::OptionYes || value == DataFileHeader::OptionNo)
            lines << QString::fromLatin1(key) + QString::number(int(value));
    };

    if (!header.title.isEmpty())
        lines << QStringLiteral("Title=") + header.title;
    number("HPX=", header.hourPivot.x());
    number("HPY=", header.hourPivot.y());
    number("MPX=", header.minPivot.x());
    number("MPY=", header.minPivot.y());
    number("SPX=", header.secPivot.x());
    number("SPY=", header.secPivot.y());
    number("HCX=", header.hourCenter.x());
    number("HCY=", header.hourCenter.y());
    number("MCX=", header.minCenter.x());
    number("MCY=", header.minCenter.y());
    number("SCX=", header.secCenter.x());
    number("SCY=", header.secCenter.y());
    option("TLH=", header.translucent);
    option("TE=", header.colorEffect);
    option("CHS=", header.countHourSound);
    option("CHA=", header.countHourAnimation);
    if (header.extrudeHand)
        lines << QStringLiteral("ExtrudeHand=1");
    lines << QStringLiteral("CopyRight=") + copyRightCredit();
    lines << QStringLiteral("Date=") + saveDateText(header.saved);
    return lines;
}

QString headerText(const DataFileHeader& header)
{
    QString text;
    for (const QString& line : headerLines(header))
        text += line + QStringLiteral("\r\n");
    return text;
}

} // namespace dw
