// pdltool info --json on saved clocks kept in data/json: its output is compared with the committed
// samples beside them, so that a change scripts would notice shows here. Saving draws a new key
// and slice count each time, so the clocks themselves are committed too.
//
// DIALWRIGHT_WRITE_JSON_SAMPLES=1 writes the clocks that are missing and every sample anew;
// look at the difference before committing it.

#include "PdlToolRun.h"

#include "tests/platform/WaveBytes.h"

#include "datafile/DataFileWriter.h"
#include "datafile/Dialwright_FCI.h"
#include "datafile/FileImage.h"

#include "platform/AnsiText.h"
#include "platform/ScriptedSeam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace dw;
using namespace dw::test;

namespace {

const QString kSamples = QStringLiteral(DIALWRIGHT_TEST_DATA "/json");


struct SavedClock {
    const char* name;
    bool compressed;
    std::function<void(SampleProject&)> make;
};

// The clocks: the default one as the editor saves it untouched; one with every slot set, each in
// another form, packed; and one with slots left unset, a damaged record, a name without its NUL
// and texts a terminal must not see raw.
const std::vector<SavedClock>& savedClocks()
{
    static const std::vector<SavedClock> clocks = {
        {"default-clock", false, [](SampleProject&) {}},
        {"every-slot-packed", true,
         [](SampleProject& p) {
             p.setAllSlots();
             WaveFields pcm;
             pcm.sampleRate = 8000;
             setBytes(p.slot(4), soundEmbedded(4, waveImage(pcm, Bytes(4000, 0x10))));
             setBytes(p.FBkgStream, bitmapFile(40, 30, pf8bit));
             setBytes(p.FMinStream, bitmapFile(5, 20, pf4bit));
             p.shape = CreateRoundRectRgn(0, 0, 40, 30, 10, 10);
             p.header.title = QStringLiteral("夜の時計");
             p.header.extrudeHand = true;
             p.header.translucent = DataFileHeader::OptionYes;
             p.author = QStringLiteral("作者: Dialwright\nsecond line");
         }},
        {"unset-and-damaged-slots", false,
         [](SampleProject& p) {
             setBytes(p.slot(1), soundByName(1, "tick.wav"));
             setBytes(p.slot(3), Bytes{3, 0, 0, 0, 9, 0, 0, 0, 1});          // an unknown kind
             Bytes unterminated = animationByName(5, "minute.bmp", {-4, 8, 3, 2, 120});
             unterminated.pop_back();
             setBytes(p.slot(5), unterminated);
             setBytes(p.slot(7), silentRecord(7));
             p.shape = TRegion();
             p.header.title = QStringLiteral("tab\there, escape \x1b[1m");
             p.header.colorEffect = DataFileHeader::OptionNo;
             p.author = QStringLiteral("line one\r\n\r\nline three");
         }},
    };
    return clocks;
}

QString clockPath(const SavedClock& c) { return kSamples + QLatin1Char('/') + QLatin1String(c.name) + QStringLiteral(".pdl"); }
QString samplePath(const SavedClock& c) { return kSamples + QLatin1Char('/') + QLatin1String(c.name) + QStringLiteral(".json"); }

void writeClock(const SavedClock& c)
{
    seam::ScriptedHandler ui;
    SampleProject project;
    c.make(project);
    DataFileProject p = project.project();
    if (!c.compressed) {
        writeDataFile(clockPath(c), p);
        return;
    }
    QTemporaryDir dir;
    const QString temp = dir.filePath(QStringLiteral("$PD0001.TMP"));
    writeDataFile(temp, p);
    ASSERT_TRUE(MakeCabinet(clockPath(c), {QStringLiteral("DATA|") + temp}));
}

QJsonObject jsonOf(const QString& text) { return QJsonDocument::fromJson(text.toUtf8()).object(); }

} // namespace

TEST(PdlToolJson, SavedClocksDescribeThemselvesAsTheirSamples)
{
    const bool writing = qEnvironmentVariableIntValue("DIALWRIGHT_WRITE_JSON_SAMPLES") == 1;
    QDir().mkpath(kSamples);
    for (const SavedClock& c : savedClocks()) {
        SCOPED_TRACE(c.name);
        if (writing && !QFile::exists(clockPath(c)))
            writeClock(c);
        // Run from the samples' folder with the plain name, as a script would.
        QProcess process;
        process.setWorkingDirectory(kSamples);
        process.start(QStringLiteral(PDLTOOL_PATH), {QStringLiteral("info"), QStringLiteral("--json"),
                                                     QLatin1String(c.name) + QStringLiteral(".pdl")});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QByteArray out = process.readAllStandardOutput();
        if (writing)
            writeFile(samplePath(c), Bytes(out.begin(), out.end()));
        const Bytes expected = readFile(samplePath(c));
        EXPECT_EQ(QString::fromUtf8(out), QString::fromUtf8(QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size()))));
    }
}

// The samples are made by the code they check, so here they are held against what the file
// holds as the reader gives it, and against the states scripts must be able to tell apart.
TEST(PdlToolJson, SamplesAgreeWithTheFilesAndCoverEveryStateAndForm)
{
    QSet<QString> states;
    QSet<bool> packed;
    for (const SavedClock& c : savedClocks()) {
        SCOPED_TRACE(c.name);
        const QJsonObject json = jsonOf(QString::fromUtf8(QByteArray::fromStdString([&] {
            const Bytes b = readFile(samplePath(c));
            return std::string(b.begin(), b.end());
        }())));
        ASSERT_EQ(json.value("schema").toInt(), 1);
        packed.insert(json.value("compression").toObject().value("cabinet").toBool());

        QTemporaryDir dir;
        ASSERT_EQ(pdltool({QStringLiteral("extract"), clockPath(c), dir.path()}).exitCode, 0);
        const QJsonArray members = json.value("members").toArray();
        ASSERT_EQ(members.size(), QDir(dir.path()).entryList(QDir::Files).size());
        ASSERT_EQ(json.value("memberCount").toInt(), members.size());
        QStringList files = QDir(dir.path()).entryList(QDir::Files);
        for (const QJsonValue& m : members) {
            const int index = m.toObject().value("index").toInt();
            const QStringList named = files.filter(QRegularExpression(QStringLiteral("^%1-").arg(index)));
            ASSERT_EQ(named.size(), 1) << index;
            EXPECT_EQ(m.toObject().value("bytes").toInteger(), QFileInfo(dir.filePath(named[0])).size()) << index;
        }
        // The header pairs are the header member's lines, in order.
        const Bytes header = readFile(dir.filePath(QStringLiteral("5-header.txt")));
        QStringList lines;
        for (const QJsonValue& pair : json.value("header").toArray())
            lines << pair.toObject().value("key").toString() + QLatin1Char('=') + pair.toObject().value("value").toString();
        EXPECT_EQ(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                  unicodeFromAnsi(reinterpret_cast<const char*>(header.data()), header.size()));
        const Bytes author = readFile(dir.filePath(QStringLiteral("6-author.txt")));
        EXPECT_EQ(json.value("author").toString(),
                  unicodeFromAnsi(reinterpret_cast<const char*>(author.data()), author.size()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        const QJsonArray slotList = json.value("slots").toArray();
        ASSERT_EQ(slotList.size(), 7);
        for (int i = 0; i < 7; ++i) {
            const QJsonObject slot = slotList[i].toObject();
            EXPECT_EQ(slot.value("slot").toInt(), i + 1);
            states.insert(slot.value("state").toString());
            const bool inFile = !slot.value("member").isNull();
            EXPECT_EQ(inFile, slot.value("state").toString() != QLatin1String("noData"));
            if (inFile) {
                const QJsonObject holds = members[slot.value("member").toInt()].toObject().value("holds").toObject();
                EXPECT_EQ(holds.value("slot").toInt(), i + 1);
            }
        }
    }
    EXPECT_EQ(states, (QSet<QString>{QStringLiteral("noData"), QStringLiteral("silent"), QStringLiteral("byFileName"),
                                     QStringLiteral("embedded"), QStringLiteral("invalid")}));
    EXPECT_EQ(packed, (QSet<bool>{true, false}));
}

TEST(PdlToolJson, DamagedFileOrBadArgumentsPrintNoJson)
{
    QTemporaryDir dir;
    const QString junk = dir.filePath(QStringLiteral("junk.pdl"));
    writeFile(junk, bytesOf("not a clock"));
    ProcessResult r = pdltool({QStringLiteral("info"), QStringLiteral("--json"), junk});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("pdltool: ") + junk)) << qPrintable(r.err);
    r = pdltool({QStringLiteral("info"), QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 2);
    r = pdltool({QStringLiteral("info"), junk, QStringLiteral("--jsn")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
}
