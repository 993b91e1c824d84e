#include "editor/history/RecoveryCopy.h"

#include "datafile/DataFileLimits.h"
#include "platform/ByteOrder.h"
#include "platform/FileNames.h"
#include "platform/Region.h"

#include <QBuffer>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <map>

namespace dw {

namespace {

const QByteArray kMagic = QByteArrayLiteral("DialwrightRecovery 1\n");
const QByteArray kEnd = QByteArrayLiteral("END\n");
constexpr int kMembers = 4 + 7 + 1;

QByteArray encoded(const QString& text) { return QUrl::toPercentEncoding(text); }
QString decoded(const QByteArray& text) { return QUrl::fromPercentEncoding(text); }

QByteArray points(const std::array<QPoint, 3>& p)
{
    QByteArray out;
    for (const QPoint& q : p)
        out += QByteArray::number(q.x()) + ',' + QByteArray::number(q.y()) + ';';
    return out;
}

std::optional<std::array<QPoint, 3>> pointsOf(const QByteArray& text)
{
    const QList<QByteArray> parts = text.split(';');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<QPoint, 3> out;
    for (size_t i = 0; i < 3; ++i) {
        const QList<QByteArray> xy = parts[qsizetype(i)].split(',');
        bool okX = false, okY = false;
        if (xy.size() != 2)
            return std::nullopt;
        out[i] = QPoint(xy[0].toInt(&okX), xy[1].toInt(&okY));
        if (!okX || !okY)
            return std::nullopt;
    }
    return out;
}

std::optional<std::vector<int>> numbersOf(const QByteArray& text, size_t count)
{
    const QList<QByteArray> parts = text.split(',');
    if (size_t(parts.size()) != count)
        return std::nullopt;
    std::vector<int> out;
    for (const QByteArray& p : parts) {
        bool ok = false;
        out.push_back(p.toInt(&ok));
        if (!ok)
            return std::nullopt;
    }
    return out;
}

// A member: its 64-bit length, then its bytes as a view. `held` keeps what the views need beyond
// the snapshot (a QByteArray's data stays where it is when the array is moved).
void appendMember(RecoveryCopyPieces& out, QByteArray& text, const uint8_t* data, size_t size)
{
    uint8_t length[8];
    writeLE32(length, uint32_t(uint64_t(size)));
    writeLE32(length + 4, uint32_t(uint64_t(size) >> 32));
    text.append(reinterpret_cast<const char*>(length), 8);
    if (size) {
        out.held.push_back(std::move(text));
        out.pieces.push_back({out.held.back().constData(), out.held.back().size()});
        out.pieces.push_back({reinterpret_cast<const char*>(data), int64_t(size)});
        text = QByteArray();
    }
}

} // namespace

int64_t RecoveryCopyPieces::size() const
{
    int64_t total = 0;
    for (const Piece& p : pieces)
        total += p.size;
    return total;
}

bool RecoveryCopyPieces::read(int64_t at, char* buffer, int64_t count) const
{
    for (const Piece& p : pieces) {
        if (count <= 0)
            break;
        if (at >= p.size) {
            at -= p.size;
            continue;
        }
        const int64_t n = std::min(count, p.size - at);
        std::memcpy(buffer, p.data + at, size_t(n));
        buffer += n, count -= n, at = 0;
    }
    return count <= 0;
}

QByteArray RecoveryCopyPieces::joined() const
{
    QByteArray out(qsizetype(size()), Qt::Uninitialized);
    read(0, out.data(), out.size());
    return out;
}

QByteArray writeRecoveryCopy(const ProjectSnapshot& s, const QString& savedPath)
{
    return recoveryCopyPieces(s, savedPath).joined();
}

RecoveryCopyPieces recoveryCopyPieces(const ProjectSnapshot& s, const QString& savedPath)
{
    RecoveryCopyPieces pieces;
    QByteArray out = kMagic;
    auto line = [&out](const char* key, const QByteArray& value) { out += QByteArray(key) + '=' + value + '\n'; };
    // File names by their bytes (FileNames.h), texts by their characters.
    line("saved", percentName(savedPath));
    line("title", encoded(s.title));
    line("author", encoded(s.author));
    line("centres", points(s.centres));
    line("pivots", points(s.pivots));
    line("options", QByteArray::number(s.options[0]) + ',' + QByteArray::number(s.options[1]) + ','
                        + QByteArray::number(s.options[2]) + ',' + QByteArray::number(s.options[3]));
    line("extrude", QByteArray::number(s.extrudeHand));
    line("corners", QByteArray::number(s.cornerWidth) + ',' + QByteArray::number(s.cornerHeight));
    line("new", QByteArray::number(s.newEnabled));
    line("params", QByteArray::number(s.paramsEnabled[0]) + ',' + QByteArray::number(s.paramsEnabled[1]) + ','
                       + QByteArray::number(s.paramsEnabled[2]));
    QByteArrayList names;
    for (const QString& n : s.slotFileNames)
        names << percentName(n);
    line("slotnames", names.join(','));
    QByteArrayList links;
    for (const QString& n : s.linkedFiles)
        links << percentName(n);
    line("links", links.join(','));
    out += '\n';
    pieces.held.reserve(16);
    for (const SharedBytes& b : s.pictures)
        appendMember(pieces, out, b ? b->data() : nullptr, b ? b->size() : 0);
    for (const SharedBytes& b : s.records)
        appendMember(pieces, out, b ? b->data() : nullptr, b ? b->size() : 0);
    if (!s.shape.isEmpty()) {
        const std::vector<uint8_t> shape = regionData(s.shape);
        const QByteArray& kept = pieces.held.emplace_back(reinterpret_cast<const char*>(shape.data()), qsizetype(shape.size()));
        const RecoveryCopyPieces::Piece shapePiece{kept.constData(), kept.size()};
        QByteArray length(8, '\0');
        writeLE32(reinterpret_cast<uint8_t*>(length.data()), uint32_t(uint64_t(shape.size())));
        writeLE32(reinterpret_cast<uint8_t*>(length.data()) + 4, uint32_t(uint64_t(shape.size()) >> 32));
        out += length;
        pieces.held.push_back(std::move(out));
        pieces.pieces.push_back({pieces.held.back().constData(), pieces.held.back().size()});
        pieces.pieces.push_back(shapePiece);
        out = QByteArray();
    } else {
        appendMember(pieces, out, nullptr, 0);
    }
    out += kEnd;
    pieces.held.push_back(std::move(out));
    pieces.pieces.push_back({pieces.held.back().constData(), pieces.held.back().size()});
    return pieces;
}

namespace {

const QString kCut = QStringLiteral("途中で切れています");
const QString kDamaged = QStringLiteral("壊れています");

RecoveryCopyReading refused(const QString& problem) { return {std::nullopt, problem}; }

// The text part through its blank line, read as it comes, within its limit.
std::optional<QByteArray> textPart(QIODevice& in, QString& problem)
{
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray text;
    for (;;) {
        const qsizetype searchFrom = std::max<qsizetype>(0, text.size() - 1);
        const QByteArray more = in.read(std::min<qint64>(kChunk, kMaxRecoveryTextBytes + 2 - text.size()));
        if (more.isEmpty()) {
            problem = in.atEnd() ? kCut : QStringLiteral("読み込めません");
            return std::nullopt;
        }
        text += more;
        if (!text.startsWith(kMagic.left(std::min(text.size(), kMagic.size())))) {
            problem = QStringLiteral("復元用のコピーではありません");
            return std::nullopt;
        }
        const qsizetype end = text.indexOf("\n\n", std::max<qsizetype>(searchFrom, kMagic.size() - 1));
        if (end >= 0) {
            // What was read beyond the text part is read again with the members.
            in.seek(end + 2);
            text.truncate(end + 1);
            return text;
        }
        if (text.size() > kMaxRecoveryTextBytes) {
            problem = QStringLiteral("テキストの部分が大きすぎます（%1 MiB まで）").arg(kMaxRecoveryTextBytes >> 20);
            return std::nullopt;
        }
    }
}

bool readExactly(QIODevice& in, void* data, int64_t size)
{
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        const qint64 n = in.read(out, size);
        if (n <= 0)
            return false;
        out += n;
        size -= n;
    }
    return true;
}

} // namespace

RecoveryCopyReading readRecoveryCopy(QIODevice& in, RecoveryParts parts)
{
    QString problem;
    const qint64 copySize = in.size();
    if (!in.seek(0))
        return refused(QStringLiteral("読み込めません"));
    const std::optional<QByteArray> text = textPart(in, problem);
    if (!text)
        return refused(problem);
    std::map<QByteArray, QByteArray> values;
    for (const QByteArray& l : text->mid(kMagic.size()).split('\n')) {
        const qsizetype eq = l.indexOf('=');
        if (eq > 0)
            values[l.left(eq)] = l.mid(eq + 1);
    }
    for (const char* key : {"saved", "title", "author", "centres", "pivots", "options", "extrude", "corners", "new", "params", "slotnames"})
        if (!values.count(key))
            return refused(kDamaged);

    RecoveredProject r;
    ProjectSnapshot& s = r.snapshot;
    r.savedPath = nameFromPercent(values["saved"]);
    s.title = decoded(values["title"]);
    s.author = decoded(values["author"]);
    // The texts as Open takes them: the title is one line of the header text, the author text
    // within its limit (a character is at least one byte in the file).
    if (s.title.contains(QLatin1Char('\n')) || s.title.contains(QLatin1Char('\r')))
        return refused(kDamaged);
    if (s.title.size() > pdl::kMaxHeaderBytes || s.author.size() > pdl::kMaxAuthorBytes)
        return refused(QStringLiteral("タイトルか作者情報が大きすぎます"));
    const auto centres = pointsOf(values["centres"]), pivots = pointsOf(values["pivots"]);
    const auto options = numbersOf(values["options"], 4), corners = numbersOf(values["corners"], 2),
               params = numbersOf(values["params"], 3);
    if (!centres || !pivots || !options || !corners || !params)
        return refused(kDamaged);
    s.centres = *centres;
    s.pivots = *pivots;
    for (size_t i = 0; i < 4; ++i) {
        s.options[i] = (*options)[i];
        if (s.options[i] < -1 || s.options[i] > 2)
            return refused(kDamaged);
    }
    s.extrudeHand = values["extrude"] == "1";
    s.cornerWidth = (*corners)[0];
    s.cornerHeight = (*corners)[1];
    // The shape's track bars go from 0 to 20.
    if (s.cornerWidth < 0 || s.cornerWidth > 20 || s.cornerHeight < 0 || s.cornerHeight > 20)
        return refused(kDamaged);
    s.newEnabled = values["new"] == "1";
    for (size_t i = 0; i < 3; ++i)
        s.paramsEnabled[i] = (*params)[i] != 0;
    const QList<QByteArray> names = values["slotnames"].split(',');
    if (names.size() != qsizetype(s.slotFileNames.size()))
        return refused(kDamaged);
    for (size_t i = 0; i < s.slotFileNames.size(); ++i)
        s.slotFileNames[i] = nameFromPercent(names[qsizetype(i)]);
    // Copies written before pictures were linked to their files have no links.
    if (values.count("links")) {
        const QList<QByteArray> links = values["links"].split(',');
        if (links.size() != qsizetype(s.linkedFiles.size()))
            return refused(kDamaged);
        for (size_t i = 0; i < s.linkedFiles.size(); ++i)
            s.linkedFiles[i] = nameFromPercent(links[qsizetype(i)]);
    }

    // The members, each within its limit and within what is left before the end marker, checked
    // before anything is allocated for it.
    const int64_t end = copySize - kEnd.size();
    int64_t total = 0;
    std::vector<SharedBytes> members;
    for (int i = 0; i < kMembers; ++i) {
        uint8_t length[8];
        const int64_t at = in.pos();
        if (end - at < 8 || !readExactly(in, length, 8))
            return refused(kCut);
        const uint64_t size = uint64_t(readLE32(length)) | uint64_t(readLE32(length + 4)) << 32;
        const bool shape = i == kMembers - 1;
        if (size > uint64_t(shape ? pdl::kMaxShapeBytes : kMaxRecoveryMemberBytes)
            || total + int64_t(std::min<uint64_t>(size, kMaxRecoveryMemberBytes)) > kMaxRecoveryMemberBytes)
            return refused(QStringLiteral("大きすぎます（データは合わせて 2 GiB まで）"));
        if (size > uint64_t(end - at - 8))
            return refused(kCut);
        total += int64_t(size);
        if (parts == RecoveryParts::Texts) {
            if (!in.seek(at + 8 + int64_t(size)))
                return refused(kCut);
            members.push_back(nullptr);
            continue;
        }
        auto bytes = std::make_shared<ByteBlock>(size_t(size));
        if (!readExactly(in, bytes->data(), int64_t(size)))
            return refused(kCut);
        members.push_back(std::move(bytes));
    }
    char marker[4];
    if (in.pos() != end || !readExactly(in, marker, 4) || QByteArray(marker, 4) != kEnd)
        return refused(in.pos() < end ? kDamaged : kCut);
    if (parts == RecoveryParts::Texts)
        return {std::move(r), QString()};

    for (size_t i = 0; i < 4; ++i)
        s.pictures[i] = members[i];
    // A slot's record names its slot in its first four bytes, as in a saved file.
    for (size_t i = 0; i < 7; ++i) {
        const SharedBytes& record = members[4 + i];
        if (!record->empty() && (record->size() < 4 || readLE32s(record->data()) != int32_t(i + 1)))
            return refused(kDamaged);
        s.records[i] = record;
    }
    const ByteBlock& shape = *members[11];
    if (!shape.empty()) {
        const std::optional<TRegion> region = pdl::shapeRegion(shape.data(), int64_t(shape.size()));
        if (!region)
            return refused(kDamaged);
        s.shape = *region;
    }
    return {std::move(r), QString()};
}

RecoveryCopyReading readRecoveryCopy(const QByteArray& bytes, RecoveryParts parts)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readRecoveryCopy(buffer, parts);
}

} // namespace dw
