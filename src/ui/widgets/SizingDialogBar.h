// A dock bar that hosts one panel, docks at any side of the main window or
// floats, and keeps a size for each of those places: the user's last docked
// height (top or bottom), width (left or right) and floating size come back.
#pragma once

#include <QDockWidget>
#include <QSize>

#include <functional>

namespace kestrelon {

class CSizingDialogBar : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int EDGE_WIDTH = 6; // sizing edge the user drags
    static constexpr int MARGIN = 3;     // gap around the hosted panel
    static constexpr QSize MIN_SIZE{32, 32};

    CSizingDialogBar(const QString& title, QWidget* parent = nullptr);

    using PanelFactory = std::function<QWidget*()>;

    // The bar hosts the panel `makePanel` builds (the bar takes ownership) when
    // it is first shown, so a bar nobody opens costs nothing at start-up. The
    // panel's size becomes the size of every place, with room for the sizing
    // edge and margin added.
    void Create(PanelFactory makePanel, int barId);
    int BarId() const { return m_barId; }
    // The hosted panel; null until the bar was first shown.
    QWidget* Panel() const { return widget(); }
    void setVisible(bool visible) override;

    QSize HorzSize() const { return m_horzSize; }
    QSize VertSize() const { return m_vertSize; }
    QSize FloatSize() const { return m_floatSize; }
    // Size asked for where the bar is now.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool IsHorizontal() const;
    void Host(QWidget* panel);

    PanelFactory m_makePanel;
    int m_barId = 0;
    QSize m_horzSize{200, 200};
    QSize m_vertSize{200, 200};
    QSize m_floatSize{200, 200};
};

} // namespace kestrelon
