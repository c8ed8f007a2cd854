// The indicator lamp: one 11 x 11 coloured lamp that can blink between the bright
// and dim form of its colour or alternate between two states. The status bar uses
// a row of them for the modem lines and the connection; the GPS bar uses one.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace kestrelon {

class CLamp : public QWidget {
    Q_OBJECT
public:
    static constexpr int LAMP_SIZE = 11;
    static constexpr int MAX_RATE = 5; // at most ten state changes a second

    explicit CLamp(QWidget* parent = nullptr);

    // Colour of a state: 0/1 grey, 2/3 red, 4/5 green, 6/7 yellow, 8/9 blue (the
    // even one bright, the odd one dim); any other value shows green.
    static QColor StateColour(int state);
    static int BrightForm(int state);
    static int DimForm(int state);

    int State() const { return m_state; }
    QColor Colour() const { return m_colour; }
    void SetLampState(int state);
    void Brighten();
    void Dim();

    // Blinks between the bright and dim form every 500 / rate ms (rate capped at
    // MAX_RATE) for `count` full cycles (0: until stopped), then shows the state it
    // had before. Rate 0 only stops a running blink or alternation.
    void Blink(int rate, int count);
    // Switches between `first` (shown at once) and `second` in the same rhythm.
    void Alternate(int first, int second, int rate, int count);

    bool IsBlinking() const { return m_mode != Mode::Steady; }
    // Interval of the running blink or alternation in ms, 0 when steady.
    int TimerInterval() const;
    // One timer period; the timers call it, tests may step it by hand.
    void Tick();

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Mode { Steady, Blinking, Alternating };

    void Stop();
    void Start(Mode mode, QTimer& timer, int rate, int count);
    void Show(int state);

    int m_state = 4;
    QColor m_colour;
    int m_savedState = 4;
    Mode m_mode = Mode::Steady;
    bool m_phaseOn = true;
    int m_count = 0;
    int m_first = 0;
    int m_second = 0;
    QTimer m_blinkTimer;     // the blink rhythm
    QTimer m_alternateTimer; // the alternation rhythm
};

} // namespace kestrelon
