#pragma once

// What the pdltool tests share: the tool run as a process, clocks saved and packed as the editor
// saves and packs them, the damaged copies of a clock that every command refuses, and pictures of
// dials and hands.

#include "tests/datafile/SampleProject.h"

#include "datafile/DataFileWriter.h"
#include "datafile/Dialwright_FCI.h"

#include "platform/ScriptedSeam.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace dw::test {

inline ProcessResult pdltool(const QStringList& arguments) { return runProcess(QStringLiteral(PDLTOOL_PATH), arguments); }

inline QStringList linesOf(const QString& text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

// A bitmap file of an image, in the given format.
inline Bytes bitmapOf(const QImage& image, TPixelFormat format = pf24bit)
{
    TBitmap bitmap;
    bitmap.setImage(image.convertToFormat(QImage::Format_RGB32));
    bitmap.SetPixelFormat(format);
    TMemoryStream out;
    bitmap.SaveToStream(out);
    return bytesOf(out);
}

// A hand on white: a bar of the colour, 3 pixels wide, down the middle from top to bottom.
inline Bytes handFile(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(QRect(width / 2 - 1, 0, 3, height), colour);
    return bitmapOf(image);
}

// A sample project saved into a temporary folder, plain or packed as the editor packs it: the
// clock as the one member "DATA" of a cabinet.
class ClockFiles : public ::testing::Test {
protected:
    QString save(const QString& name)
    {
        const QString path = dir.filePath(name);
        DataFileProject p = project.project();
        writeDataFile(path, p);
        return path;
    }

    QString pack(const QString& plain, const QString& name)
    {
        const QString temp = dir.filePath(QStringLiteral("$PD0001.TMP"));
        QFile::remove(temp);
        EXPECT_TRUE(QFile::copy(plain, temp));
        const QString packed = dir.filePath(name);
        QFile::remove(packed);
        EXPECT_TRUE(MakeCabinet(packed, {QStringLiteral("DATA|") + temp}));
        QFile::remove(temp);
        return packed;
    }

    // What render draws of file at the time, as a PNG image.
    QImage render(const QString& file, const QString& time)
    {
        const QString png = dir.filePath(QStringLiteral("render.png"));
        const ProcessResult r = pdltool({QStringLiteral("render"), file, QStringLiteral("--time"), time, QStringLiteral("-o"), png});
        EXPECT_EQ(r.exitCode, 0) << qPrintable(r.err);
        return QImage(png);
    }

    // The copies of a clock (its plain image and its cabinet) that no command may take, written
    // beside it under names that say what they are; returns their paths.
    QStringList writeDamagedCopies(const Bytes& image, const Bytes& cabinet)
    {
        Bytes corruptCabinet = cabinet;
        corruptCabinet[corruptCabinet.size() - 40] ^= 0x5A;
        Bytes rekeyed = image;
        rekeyed[0] ^= 0x40; // another key: every byte unslices differently
        const std::vector<std::pair<const char*, Bytes>> copies = {
            {"empty.pdl", {}},
            {"foreign.png", bytesOf(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16))},
            {"truncated.pdl", Bytes(image.begin(), image.begin() + qsizetype(image.size()) / 3)},
            {"rekeyed.pdl", rekeyed},
            {"truncated-cabinet.pdl", Bytes(cabinet.begin(), cabinet.begin() + qsizetype(cabinet.size()) / 2)},
            {"corrupt-cabinet.pdl", corruptCabinet},
            {"header-only-cabinet.pdl", Bytes(cabinet.begin(), cabinet.begin() + 36)},
        };
        QStringList paths;
        for (const auto& [name, bytes] : copies) {
            paths << dir.filePath(QString::fromLatin1(name));
            writeFile(paths.last(), bytes);
        }
        return paths;
    }

    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    SampleProject project;
};

} // namespace dw::test
