#include "FormProperties.h"

#include "RotateImage.h"

#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace dw {

namespace {

// --- values ---------------------------------------------------------------------------------

QString boolText(bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); }

std::optional<bool> parseBool(const QString& s)
{
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// Decimal with an optional sign, or "$" and up to eight hex digits (the 32-bit pattern).
std::optional<int32_t> parseInt(const QString& s)
{
    bool ok = false;
    if (s.startsWith(QLatin1Char('$'))) {
        const QString digits = s.mid(1);
        if (digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        const uint32_t v = digits.toUInt(&ok, 16);
        return ok ? std::optional<int32_t>(int32_t(v)) : std::nullopt;
    }
    const int32_t v = s.toInt(&ok, 10);
    return ok ? std::optional<int32_t>(v) : std::nullopt;
}

template <typename T>
struct Named {
    const char* name;
    T value;
};

const Named<TColor> kColorNames[] = {
    {"clBlack", clBlack},   {"clMaroon", clMaroon},   {"clGreen", clGreen},       {"clOlive", clOlive},
    {"clNavy", clNavy},     {"clPurple", clPurple},   {"clTeal", clTeal},         {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed},         {"clLime", clLime},         {"clYellow", clYellow},
    {"clBlue", clBlue},     {"clFuchsia", clFuchsia}, {"clAqua", clAqua},         {"clWhite", clWhite},
    {"clBtnFace", clBtnFace}, {"clWindow", clWindow}, {"clWindowText", clWindowText},
};
const Named<int> kAlignNames[] = {{"alNone", alNone}, {"alTop", alTop},     {"alBottom", alBottom},
                                  {"alLeft", alLeft}, {"alRight", alRight}, {"alClient", alClient}};
const Named<int> kModeNames[] = {{"tmAuto", tmAuto}, {"tmFixed", tmFixed}};
const Named<int> kDispNames[] = {{"ridmMask", ridmMask}, {"ridmRegion", ridmRegion}};

template <typename T, size_t N>
QString nameOf(const Named<T> (&table)[N], T value)
{
    for (const Named<T>& n : table)
        if (n.value == value)
            return QString::fromLatin1(n.name);
    return QString();
}

template <typename T, size_t N>
std::optional<T> valueOf(const Named<T> (&table)[N], const QString& s)
{
    for (const Named<T>& n : table)
        if (s.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.value;
    return std::nullopt;
}

QString colorText(TColor c)
{
    const QString name = nameOf(kColorNames, c);
    return name.isEmpty() ? QStringLiteral("$%1").arg(uint32_t(c), 8, 16, QLatin1Char('0')).toUpper() : name;
}

std::optional<TColor> parseColor(const QString& s)
{
    if (const auto named = valueOf(kColorNames, s))
        return named;
    return parseInt(s);
}

// --- writing ----------------------------------------------------------------------------------

constexpr int kHexBytesPerLine = 32;

void writeBitmapData(QStringList& out, const TBitmap& bitmap)
{
    TMemoryStream file;
    bitmap.SaveToStream(file);
    out << QStringLiteral("Bitmap.Data = {");
    const QByteArray hex = QByteArray(reinterpret_cast<const char*>(file.Memory()), qsizetype(file.size())).toHex().toUpper();
    for (qsizetype at = 0; at < hex.size(); at += 2 * kHexBytesPerLine) {
        QString line = QStringLiteral("  ") + QString::fromLatin1(hex.mid(at, 2 * kHexBytesPerLine));
        if (at + 2 * kHexBytesPerLine >= hex.size())
            line += QLatin1Char('}');
        out << line;
    }
}

// --- reading ----------------------------------------------------------------------------------

using Apply = std::function<void(TCustomRotateImage&)>;

struct ParseError {
    QString message;
};

} // namespace

QString writeFormProperties(const TCustomRotateImage& c)
{
    QStringList out;
    const auto put = [&](const char* name, const QString& value) {
        out << QStringLiteral("%1 = %2").arg(QLatin1String(name), value);
    };
    put("Left", QString::number(c.Left()));
    put("Top", QString::number(c.Top()));
    put("Width", QString::number(c.Width()));
    put("Height", QString::number(c.Height()));
    if (c.Align() != alNone)
        put("Align", nameOf(kAlignNames, int(c.Align())));
    if (!c.Visible())
        put("Visible", boolText(false));
    if (c.Sketch())
        put("Sketch", boolText(true));
    if (c.TrnsIndex() != 0)
        put("TrnsIndex", QString::number(c.TrnsIndex()));
    if (c.Transparent())
        put("Transparent", boolText(true));
    if (c.TransparentMode() == tmFixed)
        put("TransparentColor", colorText(c.TransparentColor()));
    if (c.TransparentMode() != tmAuto)
        put("TransparentMode", nameOf(kModeNames, int(c.TransparentMode())));
    if (c.TransparentMouse())
        put("TransparentMouse", boolText(true));
    if (c.Negative())
        put("Negative", boolText(true));
    if (c.Pivot()) {
        put("Pivot", boolText(true));
        put("PivotX", QString::number(c.PivotX()));
        put("PivotY", QString::number(c.PivotY()));
    }
    if (c.PrintQuality() != kDefaultPrintQuality)
        put("PrintQuality", QString::number(c.PrintQuality()));
    if (c.DispMode() != ridmMask)
        put("DispMode", nameOf(kDispNames, int(c.DispMode())));
    if (const auto* r = dynamic_cast<const TRotateImage*>(&c)) {
        // Angle is never stored: AngleEx holds it to a tenth of a degree.
        if (r->AngleEx() != 0)
            put("AngleEx", QString::number(r->AngleEx()));
        // An empty bitmap has no data to store.
        if (!r->Bitmap().Empty())
            writeBitmapData(out, r->Bitmap());
        if (r->Monochrome())
            put("Monochrome", boolText(true));
        if (r->Sepia())
            put("Sepia", boolText(true));
        if (r->Zoom() != 100)
            put("Zoom", QString::number(r->Zoom()));
    }
    return out.join(QLatin1Char('\n')) + (out.isEmpty() ? QString() : QStringLiteral("\n"));
}

namespace {

// The setter of one property with its value checked; a ParseError names what is wrong.
std::variant<Apply, ParseError> parseProperty(const QString& name, const QString& v, bool rotateImage)
{
    const auto bad = [&](const QString& what) {
        return ParseError{QStringLiteral("'%1' is not a valid value of %2 (%3)").arg(v, name, what)};
    };
    const auto is = [&](const char* n) { return name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0; };
    const auto integer = [&](int32_t lo, int32_t hi, auto set) -> std::variant<Apply, ParseError> {
        const std::optional<int32_t> i = parseInt(v);
        if (!i || *i < lo || *i > hi)
            return bad(lo == INT32_MIN ? QStringLiteral("an integer") : QStringLiteral("%1..%2").arg(lo).arg(hi));
        const int32_t value = *i;
        return Apply([set, value](TCustomRotateImage& c) { set(c, value); });
    };
    const auto boolean = [&](auto set) -> std::variant<Apply, ParseError> {
        const std::optional<bool> b = parseBool(v);
        if (!b)
            return bad(QStringLiteral("True or False"));
        const bool value = *b;
        return Apply([set, value](TCustomRotateImage& c) { set(c, value); });
    };
    using C = TCustomRotateImage;
    constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    if (is("Left"))
        return integer(kMin, kMax, [](C& c, int32_t x) { c.SetLeft(x); });
    if (is("Top"))
        return integer(kMin, kMax, [](C& c, int32_t x) { c.SetTop(x); });
    if (is("Width"))
        return integer(0, kMax, [](C& c, int32_t x) { c.SetWidth(x); });
    if (is("Height"))
        return integer(0, kMax, [](C& c, int32_t x) { c.SetHeight(x); });
    if (is("Align")) {
        const std::optional<int> a = valueOf(kAlignNames, v);
        if (!a)
            return bad(QStringLiteral("alNone, alTop, alBottom, alLeft, alRight or alClient"));
        const TAlign value = TAlign(*a);
        return Apply([value](C& c) { c.SetAlign(value); });
    }
    if (is("Visible"))
        return boolean([](C& c, bool b) { c.SetVisible(b); });
    if (is("Sketch"))
        return boolean([](C& c, bool b) { c.SetSketch(b); });
    if (is("TrnsIndex"))
        return integer(0, kMaxTrnsIndex, [](C& c, int32_t x) { c.SetTrnsIndex(x); });
    if (is("Transparent"))
        return boolean([](C& c, bool b) { c.SetTransparent(b); });
    if (is("TransparentColor")) {
        const std::optional<TColor> color = parseColor(v);
        if (!color)
            return bad(QStringLiteral("a colour name or number"));
        const TColor value = *color;
        return Apply([value](C& c) { c.SetTransparentColor(value); });
    }
    if (is("TransparentMode")) {
        const std::optional<int> m = valueOf(kModeNames, v);
        if (!m)
            return bad(QStringLiteral("tmAuto or tmFixed"));
        const TTransparentMode value = TTransparentMode(*m);
        return Apply([value](C& c) { c.SetTransparentMode(value); });
    }
    if (is("TransparentMouse"))
        return boolean([](C& c, bool b) { c.SetTransparentMouse(b); });
    if (is("Negative"))
        return boolean([](C& c, bool b) { c.SetNegative(b); });
    if (is("Pivot"))
        return boolean([](C& c, bool b) { c.SetPivot(b); });
    if (is("PivotX"))
        return integer(kMin, kMax, [](C& c, int32_t x) { c.SetPivotX(x); });
    if (is("PivotY"))
        return integer(kMin, kMax, [](C& c, int32_t x) { c.SetPivotY(x); });
    if (is("PrintQuality"))
        return integer(kMinPrintQuality, kMaxPrintQuality, [](C& c, int32_t x) { c.SetPrintQuality(x); });
    if (is("DispMode")) {
        const std::optional<int> m = valueOf(kDispNames, v);
        if (!m)
            return bad(QStringLiteral("ridmMask or ridmRegion"));
        const TRotateImageDispMode value = TRotateImageDispMode(*m);
        return Apply([value](C& c) { c.SetDispMode(value); });
    }
    if (rotateImage) {
        using R = TRotateImage;
        const auto onR = [](auto set) { return [set](C& c, auto x) { set(static_cast<R&>(c), x); }; };
        if (is("Angle"))
            return integer(kMin, kMax, onR([](R& r, int32_t x) { r.SetAngle(x); }));
        if (is("AngleEx"))
            return integer(kMin, kMax, onR([](R& r, int32_t x) { r.SetAngleEx(x); }));
        if (is("Monochrome"))
            return boolean(onR([](R& r, bool b) { r.SetMonochrome(b); }));
        if (is("Sepia"))
            return boolean(onR([](R& r, bool b) { r.SetSepia(b); }));
        if (is("Zoom"))
            return integer(kMin, kMax, onR([](R& r, int32_t x) { r.SetZoom(x); }));
        if (is("Bitmap.Data")) {
            const QByteArray bytes = QByteArray::fromHex(v.toLatin1());
            if (bytes.toHex().size() != v.size() || v.isEmpty())
                return ParseError{QStringLiteral("the data of Bitmap are not hexadecimal digits")};
            auto bitmap = std::make_shared<TBitmap>();
            try {
                bitmap->LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
            } catch (const EFrameworkError& e) {
                return ParseError{QStringLiteral("the data of Bitmap are not a bitmap: %1").arg(e.message())};
            }
            return Apply([bitmap](C& c) { static_cast<R&>(c).SetBitmap(bitmap.get()); });
        }
    }
    return ParseError{QStringLiteral("unknown property '%1'").arg(name)};
}

} // namespace

FormReadResult readFormProperties(TCustomRotateImage& control, const QString& text)
{
    const bool rotateImage = dynamic_cast<TRotateImage*>(&control) != nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    std::vector<Apply> applies;
    const auto fail = [](int line, const QString& message) {
        return FormReadResult{false, line, QStringLiteral("line %1: %2").arg(line).arg(message)};
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        const QString line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(number, QStringLiteral("expected 'Name = Value'"));
        const QString name = line.left(eq).trimmed();
        QString value = line.mid(eq + 1).trimmed();
        if (value.startsWith(QLatin1Char('{'))) {
            // Binary data: hex digits up to the closing brace, over any number of lines.
            QString hex = value.mid(1);
            while (!hex.contains(QLatin1Char('}'))) {
                if (++i >= lines.size())
                    return fail(number, QStringLiteral("the data of %1 have no closing '}'").arg(name));
                hex += lines[i].trimmed();
            }
            const qsizetype close = hex.indexOf(QLatin1Char('}'));
            if (!hex.mid(close + 1).trimmed().isEmpty())
                return fail(int(i + 1), QStringLiteral("text after the closing '}'"));
            value = hex.left(close).remove(QLatin1Char(' '));
        }
        std::variant<Apply, ParseError> parsed = parseProperty(name, value, rotateImage);
        if (const ParseError* e = std::get_if<ParseError>(&parsed))
            return fail(number, e->message);
        applies.push_back(std::move(std::get<Apply>(parsed)));
    }
    control.BeginLoading();
    try {
        for (const Apply& apply : applies)
            apply(control);
    } catch (...) {
        control.Loaded();
        throw;
    }
    control.Loaded();
    return {};
}

} // namespace dw
