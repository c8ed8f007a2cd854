// CRangeSpinBox: free typing, range-bound arrows, validation on demand.
#include "ui/widgets/RangeSpinBox.h"

#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>
#include <limits>

namespace kestrelon {

namespace {
CRangeSpinBox::Reporter& ReporterSlot()
{
    static CRangeSpinBox::Reporter reporter;
    return reporter;
}
} // namespace

CRangeSpinBox::CRangeSpinBox(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent), m_minimum(minimum), m_maximum(maximum)
{
    // The widget's own range only bounds what can be typed; the allowed range is
    // enforced by the arrows and by Validate.
    QSpinBox::setRange(-99999999, 99999999);
    setValue(minimum);
    setAlignment(Qt::AlignRight);
}

std::optional<int> CRangeSpinBox::Checked() const
{
    bool ok = false;
    const int value = cleanText().trimmed().toInt(&ok);
    if (!ok || value < m_minimum || value > m_maximum)
        return std::nullopt;
    return value;
}

QString CRangeSpinBox::RangeMessage() const
{
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(m_minimum).arg(m_maximum);
}

bool CRangeSpinBox::Validate(QWidget* dialog)
{
    if (Checked())
        return true;
    Report(dialog, RangeMessage());
    setFocus();
    lineEdit()->selectAll();
    return false;
}

void CRangeSpinBox::Report(QWidget* dialog, const QString& message)
{
    if (ReporterSlot())
        ReporterSlot()(dialog, message);
    else
        QMessageBox::warning(dialog, dialog != nullptr ? dialog->windowTitle() : QString(), message);
}

void CRangeSpinBox::SetReporter(Reporter reporter)
{
    ReporterSlot() = std::move(reporter);
}

void CRangeSpinBox::stepBy(int steps)
{
    const long long wanted = static_cast<long long>(value()) + steps;
    setValue(static_cast<int>(std::clamp<long long>(wanted, m_minimum, m_maximum)));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled CRangeSpinBox::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (value() < m_maximum)
        enabled |= StepUpEnabled;
    if (value() > m_minimum)
        enabled |= StepDownEnabled;
    return enabled;
}

} // namespace kestrelon
