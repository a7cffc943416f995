// Text in the system's narrow encoding (UTF-8 on Linux), read and written without losing a byte.
#pragma once

#include <QByteArray>
#include <QString>

namespace NarrowText {

/// Decodes UTF-8. A byte that is not part of valid UTF-8 becomes the reserved code point
/// U+DC80 + (byte - 0x80), so that encode() gives the same byte back.
QString decode(QByteArrayView bytes);

/// Encodes to UTF-8, turning the reserved code points of decode() back into their bytes.
QByteArray encode(QStringView text);

/// Appends the encoding of @p text to @p out.
void encodeInto(QStringView text, QByteArray &out);

} // namespace NarrowText
