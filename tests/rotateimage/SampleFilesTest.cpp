#include "BmpBuilder.h"

#include "tests/support/TestFiles.h"

#include "rotateimage/DibDecoder.h"
#include "rotateimage/DibFormat.h"
#include "rotateimage/RotateDib.h"
#include "rotateimage/Sketch.h"

#include "platform/ByteOrder.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

namespace dw::test {
namespace {

QString projectRoot() { return QDir(QStringLiteral(DIALWRIGHT_TEST_DATA "/../../..")).absolutePath(); }

// The fuzz corpus starts from the builders' files. DIALWRIGHT_WRITE_SEEDS=1 rewrites them.
TEST(SampleFiles, FuzzSeedsAreTheBuildersOutput)
{
    const QString dir = projectRoot() + "/fuzz/corpus/bmp/";
    const bool write = std::getenv("DIALWRIGHT_WRITE_SEEDS") != nullptr;
    if (write)
        QDir().mkpath(dir);
    for (const NamedFile& f : fuzzSeedFiles()) {
        const QString path = dir + QString::fromStdString(f.name);
        if (write)
            writeFile(path, f.bytes);
        EXPECT_EQ(readFile(path), f.bytes) << f.name << ": run with DIALWRIGHT_WRITE_SEEDS=1 to refresh";
        TMemoryStream stream = streamOf(f.bytes);
        TMemoryStream source;
        const DibLoadResult r = LoadFromBmpStream(stream, source);
        EXPECT_TRUE(r) << f.name << ": " << r.error;
        EXPECT_EQ(stream.Position(), int64_t(f.bytes.size())) << f.name;
    }
}

// The seeds read by Qt's own BMP reader show the colours the decoder gives (for a 1-bit picture
// the colours of the file's table, since the decoder makes it black and white).
TEST(SampleFiles, SeedsDecodeAsAnIndependentReaderReadsThem)
{
    for (const NamedFile& f : fuzzSeedFiles()) {
        SCOPED_TRACE(f.name);
        const QImage qt = QImage::fromData(f.bytes.data(), int(f.bytes.size()), "BMP");
        ASSERT_FALSE(qt.isNull());
        TMemoryStream stream = streamOf(f.bytes);
        TMemoryStream source;
        ASSERT_TRUE(LoadFromBmpStream(stream, source));
        const auto view = DibView::of(source);
        ASSERT_TRUE(view);
        ASSERT_EQ(qt.width(), view->width);
        ASSERT_EQ(qt.height(), view->height);
        const bool oneBit = f.name.rfind("1bit", 0) == 0;
        // Qt widens 5-bit channels by shifting (v · 8); the decoder gives v · 255 div 31.
        const bool fiveBit = f.name.rfind("16bit", 0) == 0;
        const auto expected = [&](int qtChannel) { return fiveBit ? (qtChannel >> 3) * 255 / 31 : qtChannel; };
        for (int y = 0; y < view->height; ++y)
            for (int x = 0; x < view->width; ++x) {
                const uint32_t ours = pixelAt(source, x, y);
                const int qtRow = view->height - 1 - y; // Qt counts rows from the top
                // A 1-bit picture's index looked up in the file's own table (Qt may reorder it).
                const uint32_t colour = oneBit ? readLE32(f.bytes.data() + 54 + 4 * ours) & 0xFFFFFFu
                    : view->bitCount == 8      ? tableEntry(source, int(ours)) & 0xFFFFFFu
                                               : ours;
                const QRgb q = qt.pixel(x, qtRow);
                EXPECT_EQ(int(colour >> 16 & 0xFF), expected(qRed(q))) << x << "," << y;
                EXPECT_EQ(int(colour >> 8 & 0xFF), expected(qGreen(q))) << x << "," << y;
                EXPECT_EQ(int(colour & 0xFF), expected(qBlue(q))) << x << "," << y;
            }
    }
}

// Inputs that once went wrong, by file name. Through the decoder they are refused (names
// beginning "refused-", the stream left in place) or decode into a usable image that renders;
// taken as engine images as they are, every routine copes and what it makes is valid.
TEST(SampleFiles, MalformedSamplesAreRefusedOrDecodeIntoUsableImages)
{
    const QDir dir(QStringLiteral(DIALWRIGHT_TEST_DATA "/malformed"));
    const QStringList names = dir.entryList({"*.bmp"}, QDir::Files, QDir::Name);
    EXPECT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const Bytes bytes = readFile(dir.filePath(name));
        TMemoryStream stream = streamOf(bytes);
        TMemoryStream source, image, mask, sketch;
        const DibLoadResult r = LoadFromBmpStream(stream, source);
        if (name.startsWith("refused-")) {
            EXPECT_FALSE(r);
            EXPECT_EQ(stream.Position(), 0);
        } else {
            ASSERT_TRUE(r) << r.error;
            ASSERT_TRUE(DibView::of(source));
            for (int tenths : {0, 450, 900})
                EXPECT_EQ(RotateDib(source, matrixFromAngle(angleFromTenths(tenths), 1), {}, image, mask),
                          RotateResult::Rendered);
        }

        const TMemoryStream raw = streamOf(bytes);
        for (int tenths : {0, 450}) {
            if (RotateDib(raw, matrixFromAngle(angleFromTenths(tenths), 1), {}, image, mask) == RotateResult::Rendered
                && widthOf(image) > 0 && heightOf(image) > 0) {
                EXPECT_TRUE(IsValidDib(image));
                EXPECT_TRUE(IsValidDib(mask));
            }
        }
        if (MakeSketch(raw, sketch)) {
            EXPECT_TRUE(IsValidDib(sketch));
        }
    }
}

} // namespace
} // namespace dw::test
