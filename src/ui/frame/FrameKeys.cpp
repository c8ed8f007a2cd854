// CFrameKeys: the window-wide paste and function-key shortcuts.
#include "ui/frame/FrameKeys.h"

#include "document/Messages.h"
#include "hub/ConnectionEvents.h"
#include "ui/frame/FunctionKeyBar.h"
#include "ui/frame/MainFrame.h"

#include <QAction>
#include <QPushButton>

namespace kestrelon {

CFrameKeys::CFrameKeys(CMainFrame& frame) : QObject(&frame), m_frame(frame)
{
    auto* paste = new QAction(tr("Paste"), &frame);
    paste->setObjectName(QStringLiteral("pasteKeys"));
    paste->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)});
    connect(paste, &QAction::triggered, this, [this] { m_frame.OnCommand(ID_EDIT_PASTE); });
    frame.addAction(paste);
    for (int key = 0; key < 10; ++key) {
        const QKeySequence keys(FKEY_MODIFIERS | Qt::Key(Qt::Key_F1 + key));
        auto* action = new QAction(&frame);
        action->setObjectName(QStringLiteral("functionKey%1").arg(key + 1));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [this, key] { PressFunctionKey(key); });
        frame.addAction(action);
        frame.FunctionKeys()->KeyButton(key)->setToolTip(keys.toString(QKeySequence::NativeText));
    }
}

void CFrameKeys::PressFunctionKey(int key)
{
    // The keys are disabled while nothing is connected: say so rather than
    // ignore the key the user pressed.
    if (!m_frame.FunctionKeys()->KeyButton(key)->isEnabled()) {
        m_frame.ShowStatusMessage(kNotConnectedText);
        return;
    }
    m_frame.FunctionKeys()->PressKey(key);
}

} // namespace kestrelon
