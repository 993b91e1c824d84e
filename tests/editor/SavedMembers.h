#pragma once

// The members of a saved data file as another save of the same project has them: the header's
// date line, which says when it was saved, taken out.

#include "datafile/DataFileSource.h"
#include "platform/AnsiText.h"

#include "tests/support/TestFiles.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace dw::test {

inline std::vector<Bytes> undatedMembers(const QString& path)
{
    const OpenedDataFile opened = openDataFile(readFile(path));
    EXPECT_TRUE(opened.readable()) << qPrintable(path) << ": " << qPrintable(opened.unreadable);
    std::vector<Bytes> members = opened.image.members;
    if (members.size() > 5) {
        QStringList lines = unicodeFromAnsi(std::string(members[5].begin(), members[5].end())).split("\r\n");
        lines.removeIf([](const QString& l) { return l.startsWith("Date="); });
        const std::string kept = ansiFromUnicode(lines.join("\r\n")).bytes;
        members[5] = Bytes(kept.begin(), kept.end());
    }
    return members;
}

// The header lines of a saved data file.
inline QStringList savedHeaderLines(const QString& path)
{
    const OpenedDataFile opened = openDataFile(readFile(path));
    EXPECT_TRUE(opened.readable()) << qPrintable(path) << ": " << qPrintable(opened.unreadable);
    if (opened.image.members.size() <= 5)
        return {};
    const Bytes& header = opened.image.members[5];
    return unicodeFromAnsi(std::string(header.begin(), header.end())).split("\r\n");
}

} // namespace dw::test
