#pragma once

// The save tests' fixture: the editor with the program's temporary files in a folder of the
// test's own, which must be empty again when the test ends, and readers of what a save wrote.

#include "tests/editor/EditorFixture.h"

#include "datafile/DataFileSource.h"
#include "datafile/FileImage.h"

#include "platform/AnsiText.h"
#include "platform/TempFile.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace dw::test {

inline std::string textOf(const Bytes& b) { return std::string(b.begin(), b.end()); }

inline mode_t modeOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << qPrintable(path);
    return st.st_mode & 07777;
}

inline QStringList headerLines(const Bytes& member)
{
    QString text = unicodeFromAnsi(textOf(member));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

class Save : public EditorFixture {
protected:
    Save()
    {
        // The program's temporary files go to a folder of the test's own (its private folder is
        // made there, as where no runtime folder is set), so that a leftover shows.
        EXPECT_TRUE(QDir().mkpath(tempDir()));
        m_oldTmp = qgetenv("TMPDIR");
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", tempDir().toLocal8Bit());
        qunsetenv("XDG_RUNTIME_DIR");
    }
    ~Save() override
    {
        const QString privateFolder = privateTempPath();
        for (const QString& folder : {tempDir(), privateFolder}) {
            EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty())
                << "left in the temporary folder: " << qPrintable(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(" "));
        }
        qputenv("TMPDIR", m_oldTmp);
        if (!m_oldRuntime.isNull())
            qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    }

    QString tempDir() const { return file(QStringLiteral("tmp")); }
    void saveAs(const QString& path)
    {
        ui.answerFile(path);
        form->Save1->trigger();
    }
    FileImageContents readSaved(const QString& path)
    {
        const OpenedDataFile opened = openDataFile(readFile(path));
        EXPECT_TRUE(opened.readable()) << qPrintable(opened.unreadable);
        return opened.image;
    }

private:
    QByteArray m_oldTmp;
    QByteArray m_oldRuntime;
};

} // namespace dw::test
