// Keys of the main window that no view passes to the device: Shift+Insert and
// Ctrl+Shift+V paste in every view, and Ctrl+Shift+F1 to F10 press the ten
// keys of the function-key bar's current level (named in the keys' tool tips).
#pragma once

#include <QObject>

namespace kestrelon {

class CMainFrame;

class CFrameKeys : public QObject {
    Q_OBJECT
public:
    explicit CFrameKeys(CMainFrame& frame);

    // The modifiers of the function keys from the keyboard.
    static constexpr Qt::KeyboardModifiers FKEY_MODIFIERS = Qt::ControlModifier | Qt::ShiftModifier;
    // Function key 0 to 9 of the current level, as its button would.
    void PressFunctionKey(int key);

private:
    CMainFrame& m_frame;
};

} // namespace kestrelon
