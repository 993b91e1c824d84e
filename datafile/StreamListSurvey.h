#pragma once

// What the readers of a file image learn before they read any member: the member count, every
// member's size and what is wrong with the list, from nothing but the count, the offset table and
// the size word of each record. Internal to the file-image unit: readSlicedImage surveys the
// whole unsliced stream, FileImageReader a stream that holds just those words (the bytes of a
// large image are never all held at once).

#include "FileImage.h"

#include "platform/Stream.h"

#include <QStringList>

#include <cstdint>
#include <vector>

namespace dw {

// The problems of an image, at most FileImageContents::kMaxProblems of them and then one line
// saying how many more there were.
class ProblemList {
public:
    explicit ProblemList(QStringList& out) : m_out(out) {}
    ~ProblemList();
    ProblemList(const ProblemList&) = delete;
    ProblemList& operator=(const ProblemList&) = delete;
    void add(const QString& text);
    // The same, the text made only while the list takes more: a damaged list of a million
    // members would otherwise make a million texts to drop.
    template <typename Make> void add(Make make)
    {
        if (m_out.size() < FileImageContents::kMaxProblems)
            m_out << make();
        else
            ++m_dropped;
    }

private:
    QStringList& m_out;
    int64_t m_dropped = 0;
};

struct ListSurvey {
    int32_t count = 0;          // as the list states it (TStreamListReader::Count)
    std::vector<int64_t> sizes; // of every member whose record offset is in the table
};

// Surveys the stream list that starts at position 0 of plain (plainSize bytes). sliceHeaderRead:
// the slicing header was there and its slice count usable, so that a list too short for its
// count is a problem of its own. Members that would need more than a memory stream holds in all
// raise EFrameworkError with the framework's memory message, before anything is allocated.
ListSurvey surveyStreamList(TStream& plain, int64_t plainSize, bool sliceHeaderRead, ProblemList& problems);

// readSlicedImage, with the members of an image that is not sound only when ofDamagedImages:
// overlapping records can make a small damaged image state members of up to 2 GiB in all.
FileImageContents readSlicedMembers(TMemoryStream& sliced, bool ofDamagedImages);

} // namespace dw
