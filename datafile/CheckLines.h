#pragma once

// The line collector behind the data-file checks (DataFileCheck.h), shared by their files.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace dw::check {

// Collects violation lines, at most `limit` of them, then counts the rest.
class Lines {
public:
    explicit Lines(int limit) : m_limit(limit) {}
    void add(const QString& line)
    {
        if (m_lines.size() < m_limit)
            m_lines << line;
        else
            ++m_dropped;
    }
    // The same for a line made only when it will be kept: a check of many parts that may all
    // break (a shape's every rectangle) costs no text for the lines only counted.
    template <typename Make>
    void addMade(const Make& make)
    {
        if (full())
            ++m_dropped;
        else
            m_lines << make();
    }
    bool full() const { return m_lines.size() >= m_limit; }
    QStringList list() const
    {
        QStringList out = m_lines;
        if (m_dropped > 0)
            out << QStringLiteral("… and %1 more").arg(m_dropped);
        return out;
    }

private:
    int m_limit;
    QStringList m_lines;
    int64_t m_dropped = 0;
};

// Whether bytes are text in the file's ANSI code page (CP932); the check goes by lines so that
// the first bad line can be named (0-based; −1 when all are good).
int64_t firstNonAnsiLine(const char* bytes, int64_t size);

} // namespace dw::check
