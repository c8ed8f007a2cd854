// Setup > Font: the document keeps its font as a 60-byte LOGFONT record; the
// dialog and the views work with QFont. Face, pixel height, weight and italic
// travel between the two; every other byte of the record is kept as it was.
#pragma once

#include "document/WinRecords.h"

#include <QFont>

class QWidget;

namespace kestrelon {

class CKestronDoc;

QFont FontFromLogFont(const LOGFONTA& record);
// `previous` supplies the fields a QFont does not describe (charset, pitch ...).
LOGFONTA LogFontFromFont(const QFont& font, const LOGFONTA& previous);

// Runs a fixed-pitch font dialog on the document's font; on OK stores the
// choice, tells the views (font hint) and marks the document modified.
bool RunFontDialog(QWidget* parent, CKestronDoc& doc);

} // namespace kestrelon
