// The character cell the views lay text out in: the font's average width plus a
// pixel, its line height with the leading, and the ascent to the baseline.
#pragma once

#include <QFont>

#include <optional>

namespace kestrelon {

struct CCellMetrics {
    int width = 1;
    int height = 1;
    int ascent = 0;
    double advance = 1.0; // what one digit moves the pen, for rows drawn as whole texts
};

CCellMetrics MeasureCells(const QFont& font);

// A font whose cell is measured when first asked for. Loading a font costs a
// few milliseconds at start-up, which a view that is not on show need not pay.
class CLazyCellFont {
public:
    explicit CLazyCellFont(QFont font) : m_font(std::move(font)) {}

    const QFont& Font() const { return m_font; }
    const CCellMetrics& Cells() const
    {
        if (!m_cells)
            m_cells = MeasureCells(m_font);
        return *m_cells;
    }

private:
    QFont m_font;
    mutable std::optional<CCellMetrics> m_cells;
};

} // namespace kestrelon
