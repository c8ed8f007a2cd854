// A number edit with arrow buttons whose arrows stay inside the allowed range
// but whose text takes any integer, so that a value out of range is refused on
// OK with a message naming the range instead of being silently corrected.
#pragma once

#include <QSpinBox>

#include <functional>
#include <optional>

namespace kestrelon {

class CRangeSpinBox : public QSpinBox {
    Q_OBJECT
public:
    CRangeSpinBox(int minimum, int maximum, QWidget* parent = nullptr);

    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    // The typed value when it is a number in range.
    std::optional<int> Checked() const;
    // On a bad value: reports "Please enter an integer between MIN and MAX.",
    // gives this edit the focus with its text selected, and returns false.
    bool Validate(QWidget* dialog);
    QString RangeMessage() const;

    // Where validation messages go: a message box by default; tests record them.
    using Reporter = std::function<void(QWidget* dialog, const QString& message)>;
    static void SetReporter(Reporter reporter);
    // Reports a refused value of any field of `dialog` the same way.
    static void Report(QWidget* dialog, const QString& message);

protected:
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;

private:
    int m_minimum;
    int m_maximum;
};

} // namespace kestrelon
