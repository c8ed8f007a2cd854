// CThreadCOMDriver: COM numbers to devices, the generic port operations and the
// write path.
#include "serial/ThreadCOMDriver.h"

#include "document/Messages.h"

namespace kestrelon {

CThreadCOMDriver::CThreadCOMDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory)
    : CThreadDriver(frame, std::move(factory)), m_settings(settings)
{
}

void CThreadCOMDriver::SetPortTree(CPortTree tree)
{
    std::lock_guard lock(m_lock);
    m_tree = std::move(tree);
}

bool CThreadCOMDriver::ClearError(std::uint32_t* errors, CCommStatus* status)
{
    std::lock_guard lock(m_lock);
    if (!m_hPort || errors == nullptr || status == nullptr)
        return false;
    return m_hPort->ClearError(*errors, *status);
}

bool CThreadCOMDriver::GetState(DCB* dcb)
{
    std::lock_guard lock(m_lock);
    if (!m_hPort || dcb == nullptr)
        return false;
    return m_hPort->GetState(*dcb);
}

bool CThreadCOMDriver::SetState(const DCB* dcb)
{
    std::lock_guard lock(m_lock);
    if (!m_hPort || dcb == nullptr)
        return false;
    return m_hPort->SetState(*dcb);
}

bool CThreadCOMDriver::Purge(std::uint32_t flags)
{
    std::lock_guard lock(m_lock);
    if (!m_hPort)
        return false;
    return m_hPort->Purge(flags);
}

std::uint32_t CThreadCOMDriver::GetPort() const
{
    return m_port;
}

void CThreadCOMDriver::OpenPort(std::uint32_t port, std::uint32_t baud, std::uint32_t flags)
{
    CPortTree tree;
    {
        std::lock_guard lock(m_lock);
        m_port = port;
        m_baud = baud;
        m_flags = flags;
        tree = m_tree;
    }
    // An unknown number leaves the path empty: the open then fails as a
    // missing device would.
    CComPortEnumerator enumerator(m_settings, tree);
    const std::string path = enumerator.DevicePath(port);
    {
        std::lock_guard lock(m_lock);
        m_returnPath = enumerator.ReturnPath(path);
    }
    OpenDevice(path);
}

std::string CThreadCOMDriver::ReturnPath() const
{
    std::lock_guard lock(m_lock);
    return m_returnPath;
}

bool CThreadCOMDriver::OnPortOpened(ISerialPort&)
{
    DCB dcb;
    if (!GetState(&dcb))
        return false;
    std::uint32_t baud = 0, flags = 0;
    {
        std::lock_guard lock(m_lock);
        baud = m_baud;
        flags = m_flags;
    }
    dcb.BaudRate = baud;
    dcb.ByteSize = 8;
    dcb.Parity = 0;
    dcb.StopBits = 0;
    if (flags & COM_FLAG_CTS_FLOW)
        dcb.flags |= DcbFlag::fOutxCtsFlow;
    else
        dcb.flags &= ~DcbFlag::fOutxCtsFlow;
    if (!SetState(&dcb))
        return false;
    Purge(PURGE_RXCLEAR);
    return true;
}

void CThreadCOMDriver::OnWriteBlock(CMessage& message)
{
    // Writing happens on the port's own writer thread, so a held line never
    // keeps this thread (or the reader behind it) waiting.
    message.wParam = 0;
    CThreadDriver::OnWriteBlock(message);
}

} // namespace kestrelon
