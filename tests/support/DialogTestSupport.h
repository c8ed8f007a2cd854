// Helpers for dialog tests: answering a modal dialog from inside exec(), and
// collecting the validation messages the range-checked edits report.
#pragma once

#include "ui/widgets/RangeSpinBox.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace kestrelon::test {

// Runs `act` on the modal dialog as soon as exec() has shown it.
inline void WhenModalShown(std::function<void(QDialog*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

// Records validation messages instead of showing message boxes, for one test.
class ValidationMessages {
public:
    ValidationMessages()
    {
        CRangeSpinBox::SetReporter([this](QWidget*, const QString& text) { m_messages.push_back(text.toStdString()); });
    }
    ~ValidationMessages() { CRangeSpinBox::SetReporter({}); }
    const std::vector<std::string>& All() const { return m_messages; }

private:
    std::vector<std::string> m_messages;
};

// Types into a number edit as a user would (replacing its text).
inline void TypeNumber(CRangeSpinBox* edit, const QString& text)
{
    auto* line = edit->findChild<QLineEdit*>();
    line->selectAll();
    line->insert(text);
}

} // namespace kestrelon::test
