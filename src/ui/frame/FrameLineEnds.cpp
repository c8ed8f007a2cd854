// CFrameLineEnds: the three toggles and their pane.
#include "ui/frame/FrameLineEnds.h"

#include "document/KestronDoc.h"
#include "ui/dialogs/TerminalSettings.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

namespace kestrelon {

CFrameLineEnds::CFrameLineEnds(CKestronDoc& doc, QObject* parent) : QObject(parent), m_doc(doc) {}

void CFrameLineEnds::BuildMenu(QMenu* toggleMenu)
{
    static const char* const kTexts[3] = {"&LF \u2192 CR LF on Receive", "C&R \u2192 CR LF on Receive",
                                          "CR \u2192 CR LF on &Send"};
    static const char* const kTips[3] = {"Start a new line at each LF received (for devices that end lines with LF)",
                                         "Start a new line at each CR received (for devices that end lines with CR)",
                                         "Send CR LF for Enter"};
    static const char* const kNames[3] = {"lfToCrLfOnReceive", "crToCrLfOnReceive", "crToCrLfOnSend"};
    toggleMenu->addSeparator();
    for (int i = 0; i < 3; ++i) {
        QAction* item = toggleMenu->addAction(QString::fromUtf8(kTexts[i]), this, [this, i] { Toggle(i); });
        item->setObjectName(QString::fromLatin1(kNames[i]));
        item->setStatusTip(tr(kTips[i]));
        item->setCheckable(true);
        m_items[i] = item;
    }
    connect(toggleMenu, &QMenu::aboutToShow, this, &CFrameLineEnds::UpdateStates);
    UpdateStates();
}

void CFrameLineEnds::BuildStatus(QStatusBar* bar)
{
    m_pane = new QLabel(bar);
    m_pane->setObjectName(QStringLiteral("lineEnds"));
    m_pane->setToolTip(tr("Line-end conversions (Toggle menu); double-click for Setup > Terminal"));
    m_pane->installEventFilter(this);
    bar->addPermanentWidget(m_pane);
    UpdateStates();
}

void CFrameLineEnds::KeepPaneAtEnd()
{
    auto* bar = m_pane ? qobject_cast<QStatusBar*>(m_pane->parentWidget()) : nullptr;
    if (!bar)
        return;
    bar->removeWidget(m_pane);
    bar->addPermanentWidget(m_pane);
    m_pane->show();
}

void CFrameLineEnds::UpdateStates()
{
    const bool on[3] = {m_doc.lfToCrLfOnReceive, m_doc.crToCrLfOnReceive, m_doc.crToCrLfOnSend};
    for (int i = 0; i < 3; ++i)
        if (m_items[i])
            m_items[i]->setChecked(on[i]);
    if (m_pane)
        m_pane->setText(PaneText(on[0], on[1], on[2]));
}

QString CFrameLineEnds::PaneText(bool lfOnReceive, bool crOnReceive, bool crOnSend)
{
    QStringList parts;
    if (lfOnReceive)
        parts << QStringLiteral("LF\u2192CRLF");
    if (crOnReceive)
        parts << QStringLiteral("CR\u2192CRLF");
    if (crOnSend)
        parts << QStringLiteral("Send CR\u2192CRLF");
    return parts.isEmpty() ? tr("Line ends as is") : parts.join(QStringLiteral(", "));
}

void CFrameLineEnds::Toggle(int which)
{
    // Through the dialog's own record, so the answer triggers follow a change
    // of the send conversion and the configuration is marked modified.
    TerminalSettings settings = TerminalSettings::FromDocument(m_doc);
    bool* flags[3] = {&settings.lfToCrLfOnReceive, &settings.crToCrLfOnReceive, &settings.crToCrLfOnSend};
    *flags[which] = !*flags[which];
    settings.ApplyTo(m_doc);
    UpdateStates();
}

bool CFrameLineEnds::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pane && event->type() == QEvent::MouseButtonDblClick) {
        emit setupRequested();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrelon
