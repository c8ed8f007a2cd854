// LOGFONT <-> QFont and the Setup > Font command.
#include "ui/views/FontMapping.h"

#include "document/KestronDoc.h"

#include <QFontDialog>
#include <QFontInfo>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kestrelon {

namespace {
constexpr int kWeightDontCare = 0; // a record asking for no particular weight
constexpr int kWeightNormal = 400;

QString FaceName(const LOGFONTA& record)
{
    // The face is NUL-terminated inside 32 bytes; a record from a file may not be.
    const char* face = record.lfFaceName;
    const auto length = static_cast<qsizetype>(strnlen(face, sizeof(record.lfFaceName)));
    return QString::fromLatin1(face, length);
}

void SetFaceName(LOGFONTA& record, const QString& family)
{
    // Latin-1 like every text of the document; cut to leave room for the NUL.
    const QByteArray bytes = family.toLatin1().left(static_cast<qsizetype>(sizeof(record.lfFaceName)) - 1);
    std::memset(record.lfFaceName, 0, sizeof(record.lfFaceName));
    std::memcpy(record.lfFaceName, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
} // namespace

QFont FontFromLogFont(const LOGFONTA& record)
{
    QFont font(FaceName(record));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Negative heights name the character height, positive ones the cell height;
    // the views size their rows from the font's own metrics either way.
    // The record is packed, so its fields are copied out before anything binds a
    // reference to them.
    const std::int32_t height = record.lfHeight;
    const std::int32_t requestedWeight = record.lfWeight;
    if (height != 0)
        font.setPixelSize(std::clamp(std::abs(height), 1, 1000));
    const int weight = requestedWeight == kWeightDontCare ? kWeightNormal : std::clamp(requestedWeight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(record.lfItalic != 0);
    return font;
}

LOGFONTA LogFontFromFont(const QFont& font, const LOGFONTA& previous)
{
    LOGFONTA record = previous;
    SetFaceName(record, font.family());
    record.lfHeight = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    record.lfWidth = 0;
    record.lfWeight = static_cast<std::int32_t>(font.weight());
    record.lfItalic = font.italic() ? 1 : 0;
    return record;
}

bool RunFontDialog(QWidget* parent, CKestronDoc& doc)
{
    bool ok = false;
    const QFont chosen =
        QFontDialog::getFont(&ok, FontFromLogFont(doc.font), parent, QObject::tr("Font"), QFontDialog::MonospacedFonts);
    if (!ok)
        return false;
    doc.SetFont(LogFontFromFont(chosen, doc.font));
    return true;
}

} // namespace kestrelon
