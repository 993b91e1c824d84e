#include "DataFileHeader.h"

#include <QHash>
#include <QRegularExpression>

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

HeaderReading readHeaderText(const QString& text)
{
    QHash<QString, QString> values;
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : text.split(lineEnd)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !values.contains(line.left(eq)))
            values.insert(line.left(eq), line.mid(eq + 1));
    }

    HeaderReading reading;
    DataFileHeader& h = reading.header;
    auto number = [&](const char* key) {
        const QString name = QString::fromLatin1(key);
        const auto found = values.constFind(name);
        bool ok = false;
        const int value = found == values.cend() ? 0 : found->toInt(&ok, 10);
        if (!ok && reading.badKey.isEmpty()) {
            reading.badKey = name;
            reading.missing = found == values.cend();
            reading.badValue = reading.missing ? QString() : *found;
        }
        return value;
    };
    auto option = [&](const char* key) {
        const QString value = values.value(QString::fromLatin1(key));
        if (value == QLatin1String("1"))
            return DataFileHeader::OptionYes;
        if (value == QLatin1String("2"))
            return DataFileHeader::OptionNo;
        return DataFileHeader::OptionDefault;
    };
    h.title = values.value(QStringLiteral("Title"));
    // The order of the file, so that the first bad key is the first one a reader meets.
    const int hpx = number("HPX"), hpy = number("HPY"), mpx = number("MPX"), mpy = number("MPY");
    const int spx = number("SPX"), spy = number("SPY"), hcx = number("HCX"), hcy = number("HCY");
    const int mcx = number("MCX"), mcy = number("MCY"), scx = number("SCX"), scy = number("SCY");
    h.hourPivot = {hpx, hpy};
    h.minPivot = {mpx, mpy};
    h.secPivot = {spx, spy};
    h.hourCenter = {hcx, hcy};
    h.minCenter = {mcx, mcy};
    h.secCenter = {scx, scy};
    h.translucent = option("TLH");
    h.colorEffect = option("TE");
    h.countHourSound = option("CHS");
    h.countHourAnimation = option("CHA");
    h.extrudeHand = values.value(QStringLiteral("ExtrudeHand")) == QLatin1String("1");
    h.saved = QDateTime::fromString(values.value(QStringLiteral("Date")), QStringLiteral("yyyy/MM/dd H:mm:ss"));
    return reading;
}

} // namespace dw
