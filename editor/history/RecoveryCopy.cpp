#include "editor/history/RecoveryCopy.h"

#include "platform/ByteOrder.h"
#include "platform/Region.h"

#include <QStringList>
#include <QUrl>

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

void appendMember(QByteArray& out, const uint8_t* data, size_t size)
{
    uint8_t length[8];
    writeLE32(length, uint32_t(uint64_t(size)));
    writeLE32(length + 4, uint32_t(uint64_t(size) >> 32));
    out.append(reinterpret_cast<const char*>(length), 8);
    if (size)
        out.append(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace

QByteArray writeRecoveryCopy(const ProjectSnapshot& s, const QString& savedPath)
{
    QByteArray out = kMagic;
    auto line = [&out](const char* key, const QByteArray& value) { out += QByteArray(key) + '=' + value + '\n'; };
    line("saved", encoded(savedPath));
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
        names << encoded(n);
    line("slotnames", names.join(','));
    out += '\n';
    for (const SharedBytes& b : s.pictures)
        appendMember(out, b ? b->data() : nullptr, b ? b->size() : 0);
    for (const SharedBytes& b : s.records)
        appendMember(out, b ? b->data() : nullptr, b ? b->size() : 0);
    const std::vector<uint8_t> shape = s.shape.isEmpty() ? std::vector<uint8_t>() : regionData(s.shape);
    appendMember(out, shape.data(), shape.size());
    out += kEnd;
    return out;
}

std::optional<RecoveredProject> readRecoveryCopy(const QByteArray& bytes)
{
    if (!bytes.startsWith(kMagic) || !bytes.endsWith(kEnd))
        return std::nullopt;
    const qsizetype textEnd = bytes.indexOf("\n\n", kMagic.size() - 1);
    if (textEnd < 0)
        return std::nullopt;
    std::map<QByteArray, QByteArray> values;
    for (const QByteArray& l : bytes.mid(kMagic.size(), textEnd - kMagic.size() + 1).split('\n')) {
        const qsizetype eq = l.indexOf('=');
        if (eq > 0)
            values[l.left(eq)] = l.mid(eq + 1);
    }
    for (const char* key : {"saved", "title", "author", "centres", "pivots", "options", "extrude", "corners", "new", "params", "slotnames"})
        if (!values.count(key))
            return std::nullopt;

    RecoveredProject r;
    ProjectSnapshot& s = r.snapshot;
    r.savedPath = decoded(values["saved"]);
    s.title = decoded(values["title"]);
    s.author = decoded(values["author"]);
    const auto centres = pointsOf(values["centres"]), pivots = pointsOf(values["pivots"]);
    const auto options = numbersOf(values["options"], 4), corners = numbersOf(values["corners"], 2),
               params = numbersOf(values["params"], 3);
    if (!centres || !pivots || !options || !corners || !params)
        return std::nullopt;
    s.centres = *centres;
    s.pivots = *pivots;
    for (size_t i = 0; i < 4; ++i)
        s.options[i] = (*options)[i];
    s.extrudeHand = values["extrude"] == "1";
    s.cornerWidth = (*corners)[0];
    s.cornerHeight = (*corners)[1];
    s.newEnabled = values["new"] == "1";
    for (size_t i = 0; i < 3; ++i)
        s.paramsEnabled[i] = (*params)[i] != 0;
    const QList<QByteArray> names = values["slotnames"].split(',');
    if (names.size() != qsizetype(s.slotFileNames.size()))
        return std::nullopt;
    for (size_t i = 0; i < s.slotFileNames.size(); ++i)
        s.slotFileNames[i] = decoded(names[qsizetype(i)]);

    // The members, each within what is left before the end marker.
    int64_t at = textEnd + 2;
    const int64_t end = bytes.size() - kEnd.size();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    std::vector<SharedBytes> members;
    for (int i = 0; i < kMembers; ++i) {
        if (end - at < 8)
            return std::nullopt;
        const uint64_t size = uint64_t(readLE32(data + at)) | uint64_t(readLE32(data + at + 4)) << 32;
        at += 8;
        if (size > uint64_t(end - at))
            return std::nullopt;
        members.push_back(std::make_shared<const std::vector<uint8_t>>(data + at, data + at + size));
        at += int64_t(size);
    }
    if (at != end)
        return std::nullopt;
    for (size_t i = 0; i < 4; ++i)
        s.pictures[i] = members[i];
    for (size_t i = 0; i < 7; ++i)
        s.records[i] = members[4 + i];
    const std::vector<uint8_t>& shape = *members[11];
    if (!shape.empty()) {
        const std::optional<TRegion> region = ExtCreateRegion(nullptr, uint32_t(std::min<size_t>(shape.size(), UINT32_MAX)), shape.data());
        if (!region)
            return std::nullopt;
        s.shape = *region;
    }
    return r;
}

} // namespace dw
