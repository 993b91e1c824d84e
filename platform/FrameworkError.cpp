#include "FrameworkError.h"

#include <QDir>

namespace dw {

EFrameworkError::EFrameworkError(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8())
{
}

namespace stock {

static QString withPath(const char* pattern, const QString& path)
{
    return QString::fromUtf8(pattern).replace(QStringLiteral("%s"), QDir::toNativeSeparators(path));
}

QString readError() { return QStringLiteral("ストリームの読み込みエラー"); }
QString writeError() { return QStringLiteral("ストリームへの書き込みエラー"); }
QString fileWriteError(const QString& path) { return writeError() + QLatin1Char('\n') + path; }
QString fileCreateError(const QString& path) { return withPath("ファイル %s を作成できません", path); }
QString fileOpenError(const QString& path) { return withPath("ファイル %s を開けません", path); }
QString memoryStreamError() { return QStringLiteral("メモリストリームの拡大中にメモリが足りなくなりました"); }
QString invalidBitmap() { return QStringLiteral("ビットマップ イメージは有効ではありません"); }
QString outOfResources() { return QStringLiteral("リソースが不足しています"); }

} // namespace stock
} // namespace dw
