// A driver for one COM port number: resolves the number to a device (alias or
// enumeration), and gives the generic port operations that the terminal's
// driver builds on. Its own configuration is plain 8N1 at a given rate.
#pragma once

#include "serial/ComPortEnumerator.h"
#include "serial/ThreadDriver.h"
#include "document/SettingsStore.h"

namespace kestrelon {

// m_flags bit: CTS output flow control.
constexpr std::uint32_t COM_FLAG_CTS_FLOW = 0x1;

class CThreadCOMDriver : public CThreadDriver {
public:
    CThreadCOMDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory = {});

    // Each returns false without touching anything when no device is open.
    virtual bool ClearError(std::uint32_t* errors, CCommStatus* status);
    virtual bool GetState(DCB* dcb);
    virtual bool SetState(const DCB* dcb);
    virtual bool Purge(std::uint32_t flags);
    virtual std::uint32_t GetPort() const;
    // Stores the three, resolves COM<port> and asks the thread to open it.
    virtual void OpenPort(std::uint32_t port, std::uint32_t baud, std::uint32_t flags);

    bool GetState(DCB& dcb) { return GetState(&dcb); }
    // Where COM numbers are looked up; tests point this at a fake tree.
    void SetPortTree(CPortTree tree);

protected:
    bool OnPortOpened(ISerialPort& port) override;
    void OnWriteBlock(CMessage& message) override;
    // Where the device opened last shows up again after a replug (see
    // CComPortEnumerator::ReturnPath); set with each OpenPort.
    std::string ReturnPath() const;

    std::atomic<std::uint32_t> m_port{0};
    std::uint32_t m_baud = 0;
    std::uint32_t m_flags = 0;

private:
    ISettingsStore& m_settings;
    CPortTree m_tree;
    std::string m_returnPath; // guarded by m_lock
};

} // namespace kestrelon
