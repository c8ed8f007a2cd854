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

// False when the text holds a character past U+00FF, which ToDocText would
// turn into "?" without a word.
inline bool IsDocText(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// The refusal of such a text; `where` names the cell ("F3", "rule 2").
inline QString UnstorableTextMessage(const QString& where)
{
    return QStringLiteral("The text of %1 holds characters a configuration cannot store: only characters up to "
                          "U+00FF (Latin-1) can be sent; write other bytes as \\ and their number.")
        .arg(where);
}

inline std::string ToDocText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace kestrelon
