#include "editor/files/CharacterNames.h"

#include <QStringList>

namespace dw {

namespace {

QString nameOfCharacter(const QString& character)
{
    const char32_t code = character.toUcs4().value(0);
    if (QChar::isPrint(code) && code != u' ')
        return QStringLiteral("「%1」").arg(character);
    return QStringLiteral("U+%1").arg(QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

} // namespace

QString namesOfCharacters(const QString& characters)
{
    QStringList names;
    for (qsizetype i = 0; i < characters.size();) {
        const qsizetype n = characters.at(i).isHighSurrogate() && i + 1 < characters.size() ? 2 : 1;
        names << nameOfCharacter(characters.mid(i, n));
        i += n;
    }
    return names.join(QStringLiteral(" "));
}

QString unstorableNameMessage(const QString& characters)
{
    return QStringLiteral("ファイル名に、データファイルに保存できない文字があります: %1\n"
                          "これらの文字を取り除くか置き換えてから、もう一度入力してください。")
        .arg(namesOfCharacters(characters));
}

} // namespace dw
