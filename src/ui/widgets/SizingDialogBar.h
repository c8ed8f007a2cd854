// A dock bar that hosts one panel, docks at any side of the main window or
// floats, and keeps a size for each of those places: the user's last docked
// height (top or bottom), width (left or right) and floating size come back.
#pragma once

#include <QDockWidget>
#include <QSize>

namespace kestrelon {

class CSizingDialogBar : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int EDGE_WIDTH = 6; // sizing edge the user drags
    static constexpr int MARGIN = 3;     // gap around the hosted panel
    static constexpr QSize MIN_SIZE{32, 32};

    CSizingDialogBar(const QString& title, QWidget* parent = nullptr);

    // Hosts `panel` (the bar takes ownership) and takes its size as the size of
    // every place, with room for the sizing edge and margin added.
    void Create(QWidget* panel, int barId);
    int BarId() const { return m_barId; }
    QWidget* Panel() const { return widget(); }

    QSize HorzSize() const { return m_horzSize; }
    QSize VertSize() const { return m_vertSize; }
    QSize FloatSize() const { return m_floatSize; }
    // Size asked for where the bar is now.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool IsHorizontal() const;

    int m_barId = 0;
    QSize m_horzSize{200, 200};
    QSize m_vertSize{200, 200};
    QSize m_floatSize{200, 200};
};

} // namespace kestrelon
