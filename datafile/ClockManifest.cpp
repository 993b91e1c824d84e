#include "ClockManifest.h"

#include <toml++/toml.h>

#include <QStringList>

#include <limits>
#include <set>
#include <string>
#include <string_view>

namespace dw {

namespace {

using Option = DataFileHeader::Option;
using SlotState = ClockManifest::SlotState;

// A mask placed further than this from the dial's corner would lie beyond any dial.
constexpr int64_t kMaxMaskOffset = 1 << 20;

constexpr std::array<const char*, 3> kHandNames = {"hour", "minute", "second"};
constexpr std::array<const char*, 4> kSlotNames = {"second", "minute", "hour", "zero-hour"};
constexpr std::array<const char*, 4> kOptionKeys = {"translucent-hands", "time-colours", "hour-count-sound",
                                                    "hour-count-animation"};

// A refusal of the text, thrown inside the reader and turned into its result.
struct Refusal {
    toml::source_position where;
    QString what;
};

[[noreturn]] void refuse(const toml::source_region& at, const QString& what) { throw Refusal{at.begin, what}; }

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Every key of a table must be one of the allowed ones.
void onlyKeys(const toml::table& table, const QString& where, std::initializer_list<std::string_view> allowed)
{
    for (auto&& [key, node] : table) {
        bool known = false;
        for (std::string_view a : allowed)
            known = known || key.str() == a;
        if (!known)
            refuse(key.source(), QStringLiteral("unknown key \"%1\" in %2").arg(qs(key.str()), where));
    }
}

const toml::node* child(const toml::table& table, std::string_view key) { return table.get(key); }

const toml::table* subTable(const toml::table& table, std::string_view key, const QString& where)
{
    const toml::node* node = child(table, key);
    if (!node)
        return nullptr;
    if (!node->is_table())
        refuse(node->source(), QStringLiteral("%1.%2 must be a table").arg(where, qs(key)));
    return node->as_table();
}

std::optional<QString> stringAt(const toml::table& table, std::string_view key, const QString& where)
{
    const toml::node* node = child(table, key);
    if (!node)
        return std::nullopt;
    if (!node->is_string())
        refuse(node->source(), QStringLiteral("%1%2 must be a string").arg(where, qs(key)));
    return qs(node->as_string()->get());
}

// A file name: a non-empty string.
std::optional<QString> fileAt(const toml::table& table, std::string_view key, const QString& where)
{
    std::optional<QString> name = stringAt(table, key, where);
    if (name && name->isEmpty())
        refuse(child(table, key)->source(), QStringLiteral("%1%2 must name a file").arg(where, qs(key)));
    return name;
}

std::optional<bool> boolAt(const toml::table& table, std::string_view key, const QString& where)
{
    const toml::node* node = child(table, key);
    if (!node)
        return std::nullopt;
    if (!node->is_boolean())
        refuse(node->source(), QStringLiteral("%1%2 must be true or false").arg(where, qs(key)));
    return node->as_boolean()->get();
}

std::optional<int32_t> intAt(const toml::table& table, std::string_view key, const QString& where, int64_t least,
                             int64_t most)
{
    const toml::node* node = child(table, key);
    if (!node)
        return std::nullopt;
    if (!node->is_integer())
        refuse(node->source(), QStringLiteral("%1%2 must be a whole number").arg(where, qs(key)));
    const int64_t value = node->as_integer()->get();
    if (value < least || value > most)
        refuse(node->source(), QStringLiteral("%1%2 must be from %3 to %4").arg(where, qs(key)).arg(least).arg(most));
    return int32_t(value);
}

// Two whole numbers, [x, y], each within 32 bits (least and most bound both).
std::optional<QPoint> pointAt(const toml::table& table, std::string_view key, const QString& where,
                              int64_t least = std::numeric_limits<int32_t>::min(),
                              int64_t most = std::numeric_limits<int32_t>::max())
{
    const toml::node* node = child(table, key);
    if (!node)
        return std::nullopt;
    const toml::array* array = node->as_array();
    const QString what = QStringLiteral("%1%2 must be two whole numbers, [x, y]").arg(where, qs(key));
    if (!array || array->size() != 2)
        refuse(node->source(), what);
    int32_t xy[2] = {};
    for (size_t i = 0; i < 2; ++i) {
        const toml::node& item = *array->get(i);
        if (!item.is_integer())
            refuse(item.source(), what);
        const int64_t value = item.as_integer()->get();
        if (value < least || value > most)
            refuse(item.source(), QStringLiteral("%1%2 must be from %3 to %4 each").arg(where, qs(key)).arg(least).arg(most));
        xy[i] = int32_t(value);
    }
    return QPoint(xy[0], xy[1]);
}

template <typename T>
T required(const std::optional<T>& value, const toml::table& table, const QString& where, std::string_view key)
{
    if (!value)
        refuse(table.source(), QStringLiteral("%1 needs %2").arg(where, qs(key)));
    return *value;
}

Option optionAt(const toml::table& table, std::string_view key)
{
    const std::optional<QString> text = stringAt(table, key, QStringLiteral("options."));
    if (!text || *text == QLatin1String("default"))
        return DataFileHeader::OptionDefault;
    if (*text == QLatin1String("yes"))
        return DataFileHeader::OptionYes;
    if (*text == QLatin1String("no"))
        return DataFileHeader::OptionNo;
    refuse(child(table, key)->source(), QStringLiteral("options.%1 must be \"default\", \"yes\" or \"no\"").arg(qs(key)));
}

ClockManifest::Slot readSlot(const toml::table& table, const QString& where, bool animation)
{
    if (animation)
        onlyKeys(table, QStringLiteral("[%1]").arg(where),
                 {"file", "name", "silent", "offset", "rows", "columns", "frame-time"});
    else
        onlyKeys(table, QStringLiteral("[%1]").arg(where), {"file", "name", "silent"});
    const QString prefix = where + QLatin1Char('.');
    ClockManifest::Slot slot;
    const std::optional<QString> file = fileAt(table, "file", prefix);
    const std::optional<QString> name = fileAt(table, "name", prefix);
    const std::optional<bool> silent = boolAt(table, "silent", prefix);
    if (int(bool(file)) + int(bool(name)) + int(bool(silent)) != 1)
        refuse(table.source(), QStringLiteral("[%1] needs one of file, name or silent = true").arg(where));
    if (silent) {
        if (!*silent)
            refuse(child(table, "silent")->source(),
                   QStringLiteral("%1silent can only be true (leave the slot out for nothing)").arg(prefix));
        slot.state = SlotState::Silent;
        if (animation)
            for (const char* key : {"offset", "rows", "columns", "frame-time"})
                if (const toml::node* node = child(table, key))
                    refuse(node->source(), QStringLiteral("%1%2 is only for a file or a name").arg(prefix, qs(key)));
        return slot;
    }
    slot.state = file ? SlotState::File : SlotState::Name;
    slot.file = file ? *file : *name;
    if (animation) {
        const QString w = QStringLiteral("[%1]").arg(where);
        const QPoint offset = required(pointAt(table, "offset", prefix), table, w, "offset");
        slot.anim.OffsetX = offset.x();
        slot.anim.OffsetY = offset.y();
        slot.anim.VertCount = required(intAt(table, "rows", prefix, pdl::kMinSplit, pdl::kMaxSplit), table, w, "rows");
        slot.anim.HorzCount =
            required(intAt(table, "columns", prefix, pdl::kMinSplit, pdl::kMaxSplit), table, w, "columns");
        slot.anim.FrameTime = required(intAt(table, "frame-time", prefix, pdl::kMinFrameTime, pdl::kMaxFrameTime),
                                       table, w, "frame-time");
    }
    return slot;
}

void readSlots(const toml::table& root, std::string_view key, bool animation, ClockManifest& manifest)
{
    const toml::table* table = subTable(root, key, QString());
    if (!table)
        return;
    const QString where = qs(key);
    if (animation)
        onlyKeys(*table, QStringLiteral("[%1]").arg(where), {"minute", "hour", "zero-hour"});
    else
        onlyKeys(*table, QStringLiteral("[%1]").arg(where), {"second", "minute", "hour", "zero-hour"});
    for (size_t i = animation ? 1 : 0; i < kSlotNames.size(); ++i) {
        const toml::table* slot = subTable(*table, kSlotNames[i], where);
        if (slot)
            manifest.media[i + (animation ? 3 : 0)] =
                readSlot(*slot, QStringLiteral("%1.%2").arg(where, QLatin1String(kSlotNames[i])), animation);
    }
}

QDateTime readDate(const toml::node& node)
{
    const toml::date_time* value = node.as_date_time() ? &node.as_date_time()->get() : nullptr;
    if (!value || value->offset)
        refuse(node.source(), QStringLiteral("date must be a local date and time, e.g. 2026-12-09 14:03:05"));
    if (value->time.nanosecond != 0)
        refuse(node.source(), QStringLiteral("date must be in whole seconds"));
    const QDate date(value->date.year, value->date.month, value->date.day);
    const QTime time(value->time.hour, value->time.minute, value->time.second);
    if (!date.isValid() || !time.isValid() || date.year() < 1 || date.year() > 9999)
        refuse(node.source(), QStringLiteral("date is no date of the years 1 to 9999"));
    return QDateTime(date, time);
}

ClockManifest readRoot(const toml::table& root)
{
    ClockManifest manifest;
    onlyKeys(root, QStringLiteral("the manifest"),
             {"title", "author", "compress", "date", "dial", "hands", "shape", "options", "sounds", "animations"});
    manifest.title = stringAt(root, "title", QString()).value_or(QString());
    manifest.author = stringAt(root, "author", QString()).value_or(QString());
    manifest.compress = boolAt(root, "compress", QString()).value_or(false);
    if (const toml::node* date = child(root, "date"))
        manifest.date = readDate(*date);

    if (const toml::table* dial = subTable(root, "dial", QString())) {
        onlyKeys(*dial, QStringLiteral("[dial]"), {"file", "convert"});
        manifest.dial = fileAt(*dial, "file", QStringLiteral("dial.")).value_or(QString());
        manifest.convertDial = boolAt(*dial, "convert", QStringLiteral("dial.")).value_or(true);
    }

    const toml::table* hands = subTable(root, "hands", QString());
    if (!hands)
        refuse(root.source(), QStringLiteral("the manifest needs [hands.hour], [hands.minute] and [hands.second]"));
    onlyKeys(*hands, QStringLiteral("[hands]"), {"hour", "minute", "second"});
    for (size_t i = 0; i < kHandNames.size(); ++i) {
        const QString where = QStringLiteral("hands.%1").arg(QLatin1String(kHandNames[i]));
        const toml::table* hand = subTable(*hands, kHandNames[i], QStringLiteral("hands"));
        if (!hand)
            refuse(hands->source(), QStringLiteral("the manifest needs [%1]").arg(where));
        onlyKeys(*hand, QStringLiteral("[%1]").arg(where), {"file", "convert", "pivot", "centre"});
        const QString prefix = where + QLatin1Char('.');
        const QString w = QStringLiteral("[%1]").arg(where);
        manifest.hands[i].file = fileAt(*hand, "file", prefix).value_or(QString());
        manifest.hands[i].convert = boolAt(*hand, "convert", prefix).value_or(true);
        manifest.hands[i].pivot = required(pointAt(*hand, "pivot", prefix), *hand, w, "pivot");
        manifest.hands[i].centre = required(pointAt(*hand, "centre", prefix), *hand, w, "centre");
    }

    if (const toml::table* shape = subTable(root, "shape", QString())) {
        onlyKeys(*shape, QStringLiteral("[shape]"), {"kind", "file", "offset", "corners"});
        const QString kind = stringAt(*shape, "kind", QStringLiteral("shape.")).value_or(QStringLiteral("dial"));
        const toml::node* file = child(*shape, "file");
        const toml::node* corners = child(*shape, "corners");
        const toml::node* offset = child(*shape, "offset");
        if (kind == QLatin1String("dial"))
            manifest.shape = ClockManifest::ShapeKind::Dial;
        else if (kind == QLatin1String("mask"))
            manifest.shape = ClockManifest::ShapeKind::Mask;
        else if (kind == QLatin1String("rounded"))
            manifest.shape = ClockManifest::ShapeKind::Rounded;
        else if (kind == QLatin1String("none"))
            manifest.shape = ClockManifest::ShapeKind::None;
        else
            refuse(child(*shape, "kind")->source(),
                   QStringLiteral("shape.kind must be \"dial\", \"mask\", \"rounded\" or \"none\""));
        if (manifest.shape == ClockManifest::ShapeKind::Mask)
            manifest.mask = required(fileAt(*shape, "file", QStringLiteral("shape.")), *shape, QStringLiteral("[shape] of kind \"mask\""), "file");
        else if (file)
            refuse(file->source(), QStringLiteral("shape.file is only for kind = \"mask\""));
        if (manifest.shape == ClockManifest::ShapeKind::Mask)
            manifest.maskOffset = pointAt(*shape, "offset", QStringLiteral("shape."), -kMaxMaskOffset, kMaxMaskOffset)
                                      .value_or(QPoint(0, 0));
        else if (offset)
            refuse(offset->source(), QStringLiteral("shape.offset is only for kind = \"mask\""));
        if (manifest.shape == ClockManifest::ShapeKind::Rounded)
            manifest.corners = required(pointAt(*shape, "corners", QStringLiteral("shape."), 0, 20), *shape,
                                        QStringLiteral("[shape] of kind \"rounded\""), "corners");
        else if (corners)
            refuse(corners->source(), QStringLiteral("shape.corners is only for kind = \"rounded\""));
    }

    if (const toml::table* options = subTable(root, "options", QString())) {
        onlyKeys(*options, QStringLiteral("[options]"),
                 {kOptionKeys[0], kOptionKeys[1], kOptionKeys[2], kOptionKeys[3], "extrude-hands"});
        manifest.translucent = optionAt(*options, kOptionKeys[0]);
        manifest.colorEffect = optionAt(*options, kOptionKeys[1]);
        manifest.countHourSound = optionAt(*options, kOptionKeys[2]);
        manifest.countHourAnimation = optionAt(*options, kOptionKeys[3]);
        manifest.extrudeHand = boolAt(*options, "extrude-hands", QStringLiteral("options.")).value_or(false);
    }
    readSlots(root, "sounds", false, manifest);
    readSlots(root, "animations", true, manifest);
    return manifest;
}

// --- writing ---

// A TOML basic string's contents: quotes, backslashes and control characters escaped; a line
// break kept as it is where the string may span lines.
QByteArray escaped(const QString& text, bool multiLine)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"': out += QLatin1String("\\\""); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\n': out += multiLine ? QLatin1String("\n") : QLatin1String("\\n"); break;
        default:
            if (u < 0x20 || u == 0x7F)
                out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out.toUtf8();
}

QByteArray quoted(const QString& text) { return '"' + escaped(text, false) + '"'; }

QByteArray point(const QPoint& p) { return QStringLiteral("[%1, %2]").arg(p.x()).arg(p.y()).toUtf8(); }

const char* optionText(Option option)
{
    switch (option) {
    case DataFileHeader::OptionYes: return "\"yes\"";
    case DataFileHeader::OptionNo: return "\"no\"";
    default: return "\"default\"";
    }
}

} // namespace

QString manifestSlotName(int slotNumber)
{
    if (slotNumber >= 1 && slotNumber <= 4)
        return QLatin1String(kSlotNames[size_t(slotNumber - 1)]);
    if (slotNumber >= 5 && slotNumber <= 7)
        return QLatin1String(kSlotNames[size_t(slotNumber - 4)]);
    return QString();
}

ManifestReading readClockManifest(const QByteArray& text)
{
    ManifestReading reading;
    const auto fail = [&](const toml::source_position& at, const QString& what) {
        reading.line = int(at.line);
        reading.column = int(at.column);
        reading.error = QStringLiteral("%1:%2: %3").arg(reading.line).arg(reading.column).arg(what);
    };
    if (text.size() > kMaxManifestBytes) {
        fail({1, 1}, QStringLiteral("longer than %1 bytes").arg(kMaxManifestBytes));
        return reading;
    }
    try {
        const toml::table root = toml::parse(std::string_view(text.constData(), size_t(text.size())));
        reading.manifest = readRoot(root);
    } catch (const toml::parse_error& e) {
        fail(e.source().begin, qs(e.description()));
    } catch (const Refusal& r) {
        fail(r.where, r.what);
    }
    return reading;
}

QByteArray writeClockManifest(const ClockManifest& m)
{
    QByteArray out = "# Dialwright clock sources: `pdltool build` makes the clock of this folder; see clock.toml(5).\n";
    out += "title = " + quoted(m.title) + '\n';
    if (m.author.isEmpty())
        out += "author = \"\"\n";
    else
        out += "author = \"\"\"\n" + escaped(m.author, true) + "\"\"\"\n";
    out += QByteArray("compress = ") + (m.compress ? "true" : "false") + '\n';
    if (m.date)
        out += "date = " + m.date->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1() + '\n';

    const auto convert = [](bool on) { return QByteArray("convert = ") + (on ? "true" : "false") + '\n'; };
    out += "\n[dial]\n";
    if (m.dial.isEmpty())
        out += "# no file: the built-in dial\n";
    else
        out += "file = " + quoted(m.dial) + '\n' + convert(m.convertDial);
    for (size_t i = 0; i < m.hands.size(); ++i) {
        out += QByteArray("\n[hands.") + kHandNames[i] + "]\n";
        if (m.hands[i].file.isEmpty())
            out += "# no file: the built-in hand\n";
        else
            out += "file = " + quoted(m.hands[i].file) + '\n' + convert(m.hands[i].convert);
        out += "pivot = " + point(m.hands[i].pivot) + '\n';
        out += "centre = " + point(m.hands[i].centre) + '\n';
    }

    out += "\n[shape]\n";
    switch (m.shape) {
    case ClockManifest::ShapeKind::Dial: out += "kind = \"dial\"\n"; break;
    case ClockManifest::ShapeKind::Mask:
        out += "kind = \"mask\"\nfile = " + quoted(m.mask) + "\noffset = " + point(m.maskOffset) + '\n';
        break;
    case ClockManifest::ShapeKind::Rounded: out += "kind = \"rounded\"\ncorners = " + point(m.corners) + '\n'; break;
    case ClockManifest::ShapeKind::None: out += "kind = \"none\"\n"; break;
    }

    out += "\n[options]\n";
    const Option options[4] = {m.translucent, m.colorEffect, m.countHourSound, m.countHourAnimation};
    for (size_t i = 0; i < 4; ++i)
        out += QByteArray(kOptionKeys[i]) + " = " + optionText(options[i]) + '\n';
    out += QByteArray("extrude-hands = ") + (m.extrudeHand ? "true" : "false") + '\n';

    for (size_t i = 0; i < m.media.size(); ++i) {
        const ClockManifest::Slot& slot = m.media[i];
        if (slot.state == SlotState::Nothing)
            continue;
        const bool animation = i >= 4;
        out += QByteArray("\n[") + (animation ? "animations." : "sounds.") + manifestSlotName(int(i) + 1).toLatin1()
               + "]\n";
        switch (slot.state) {
        case SlotState::Silent: out += "silent = true\n"; break;
        case SlotState::File: out += "file = " + quoted(slot.file) + '\n'; break;
        case SlotState::Name: out += "name = " + quoted(slot.file) + '\n'; break;
        case SlotState::Nothing: break;
        }
        if (animation && slot.state != SlotState::Silent) {
            out += "offset = " + point(QPoint(slot.anim.OffsetX, slot.anim.OffsetY)) + '\n';
            out += QStringLiteral("rows = %1\ncolumns = %2\nframe-time = %3\n")
                       .arg(slot.anim.VertCount)
                       .arg(slot.anim.HorzCount)
                       .arg(slot.anim.FrameTime)
                       .toUtf8();
        }
    }
    return out;
}

} // namespace dw
