// Document texts are 8-bit strings (bytes 0 to 255, as stored in .kst files);
// widgets show them as the characters U+0000 to U+00FF, so every byte survives
// the round trip through an edit field.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kestrelon {

inline QString FromDocText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToDocText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace kestrelon
