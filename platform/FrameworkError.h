#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace dw {

// The one error type the framework layer raises (stream, file and memory errors). A command
// that it ends is reported in the framework's standard error box (see CommandRunner.h).
class EFrameworkError : public std::exception {
public:
    explicit EFrameworkError(QString message);
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The framework's stock message texts.
namespace stock {
QString readError();                          // "ストリームの読み込みエラー"
QString writeError();                         // "ストリームへの書き込みエラー"
// The same for a file, naming it on a second line, so that the user knows which file it was.
QString fileWriteError(const QString& path);
QString fileCreateError(const QString& path); // "ファイル %s を作成できません"
QString fileOpenError(const QString& path);   // "ファイル %s を開けません"
QString memoryStreamError();                  // "メモリストリームの拡大中にメモリが足りなくなりました"
QString invalidBitmap();                      // "ビットマップ イメージは有効ではありません"
QString outOfResources();                     // "リソースが不足しています"
} // namespace stock

} // namespace dw
