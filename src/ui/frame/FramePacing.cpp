// CFramePacing: pacing settings per configuration file and the sending status.
#include "ui/frame/FramePacing.h"

#include "hub/DataHub.h"
#include "ui/dialogs/TerminalDialog.h"

#include <QFile>
#include <QTimer>

namespace kestrelon {

CFramePacing::CFramePacing(ISettingsStore* store, ShowCount show, QObject* parent)
    : QObject(parent), m_store(store), m_show(std::move(show)), m_timer(new QTimer(this))
{
    // A timer, not a notification per byte: a sending thread never calls the
    // window, and ten updates a second are as many as anyone reads.
    connect(m_timer, &QTimer::timeout, this, &CFramePacing::ShowProgress);
    m_timer->start(STATUS_INTERVAL_MS);
}

void CFramePacing::SetHub(CDataHub* hub)
{
    m_hub = hub;
    Apply();
}

void CFramePacing::SetConfigPath(const QString& path)
{
    m_path = QFile::encodeName(path).toStdString();
    m_pacing = m_store ? LoadPacing(*m_store, m_path) : CPacing{};
    m_viewOptions = m_store ? LoadTerminalViewOptions(*m_store, m_path) : CTerminalViewOptions{};
    Apply();
}

bool CFramePacing::RunTerminalSetup(QWidget* parent, CKestronDoc& doc)
{
    CPacing pacing = m_pacing;
    CTerminalViewOptions viewOptions = m_viewOptions;
    if (!RunTerminalDialog(parent, doc, &pacing, &viewOptions))
        return false;
    m_pacing = pacing;
    m_viewOptions = viewOptions;
    if (m_store) {
        SavePacing(*m_store, m_path, m_pacing);
        SaveTerminalViewOptions(*m_store, m_path, m_viewOptions);
    }
    Apply();
    return true;
}

QString CFramePacing::SendingText(std::size_t bytesLeft)
{
    return tr("Sending: %1 bytes left").arg(bytesLeft);
}

void CFramePacing::SetViewOptionsListener(std::function<void(const CTerminalViewOptions&)> listener)
{
    m_viewListener = std::move(listener);
    Apply();
}

void CFramePacing::Apply()
{
    if (m_hub)
        m_hub->SetPacing(m_pacing);
    if (m_viewListener)
        m_viewListener(m_viewOptions);
}

void CFramePacing::ShowProgress()
{
    const std::size_t left = m_hub ? m_hub->PacedBytesLeft() : 0;
    if (left > 0) {
        m_show(SendingText(left));
        m_showing = true;
    } else if (m_showing) {
        m_show(QString());
        m_showing = false;
    }
}

} // namespace kestrelon
