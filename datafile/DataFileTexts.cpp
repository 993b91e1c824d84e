#include "DataFileTexts.h"

#include "platform/AnsiText.h"

namespace dw {

namespace {

void note(QString& unstorable, QChar c)
{
    if (!unstorable.contains(c))
        unstorable += c;
}

void noteAll(QString& unstorable, const QString& characters)
{
    for (qsizetype i = 0; i < characters.size();) {
        // Whole code points, so that a character outside the basic plane is named once.
        const qsizetype n = characters.at(i).isHighSurrogate() && i + 1 < characters.size() ? 2 : 1;
        const QString ch = characters.mid(i, n);
        if (!unstorable.contains(ch))
            unstorable += ch;
        i += n;
    }
}

} // namespace

DataFileTexts dataFileTexts(const DataFileHeader& header, const QString& authorText)
{
    DataFileTexts out;
    QString unstorable;

    for (const QChar c : header.title)
        if (c == u'\r' || c == u'\n' || c == u'\0')
            note(unstorable, c);
    const AnsiResult headerBytes = ansiFromUnicode(headerText(header));
    noteAll(unstorable, headerBytes.unmappable);

    const QString author = withCrLf(authorText);
    if (author.contains(QChar(u'\0')))
        note(unstorable, QChar(u'\0'));
    const AnsiResult authorBytes = ansiFromUnicode(author);
    noteAll(unstorable, authorBytes.unmappable);

    if (!unstorable.isEmpty()) {
        out.unstorable = unstorable;
        return out;
    }
    out.header = headerBytes.bytes;
    out.author = authorBytes.bytes;
    return out;
}

} // namespace dw
