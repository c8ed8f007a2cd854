// CFrameLines: the Lines menu, its toolbar group and the status bar's lines.
#include "ui/frame/FrameLines.h"

#include "document/KestronDoc.h"
#include "hub/DataHub.h"
#include "serial/DcbTermios.h"
#include "serial/SerialPort.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStringList>
#include <QToolBar>

namespace kestrelon {

CFrameLines::CFrameLines(CKestronDoc& doc, QWidget* window) : QObject(window), m_doc(doc)
{
    m_dtr = new QAction(tr("&DTR"), this);
    m_dtr->setObjectName(QStringLiteral("linesDtr"));
    m_dtr->setCheckable(true);
    m_dtr->setStatusTip(tr("Raise or drop the DTR line"));
    m_rts = new QAction(tr("&RTS"), this);
    m_rts->setObjectName(QStringLiteral("linesRts"));
    m_rts->setCheckable(true);
    m_rts->setStatusTip(tr("Raise or drop the RTS line"));
    m_break = new QAction(tr("Send &Break"), this);
    m_break->setObjectName(QStringLiteral("linesBreak"));
    m_break->setIconText(tr("Break"));
    m_break->setStatusTip(tr("Hold the line in the break condition for 250 ms"));
    // `triggered` has already flipped the check mark: it says what the user wants.
    connect(m_dtr, &QAction::triggered, this, [this] { Toggle(m_dtr, MODEM_DTR); });
    connect(m_rts, &QAction::triggered, this, [this] { Toggle(m_rts, MODEM_RTS); });
    connect(m_break, &QAction::triggered, this, [this] {
        if (m_hub)
            m_hub->SendLineAction(LineAction::Break);
    });
    UpdateStates();
}

void CFrameLines::BuildMenu(QMenuBar* bar, QAction* before)
{
    m_menu = new QMenu(tr("&Lines"), bar);
    m_menu->setObjectName(QStringLiteral("linesMenu"));
    m_menu->setToolTipsVisible(true); // the tool tips say why an item is disabled
    m_menu->addAction(m_dtr);
    m_menu->addAction(m_rts);
    m_menu->addSeparator();
    m_menu->addAction(m_break);
    connect(m_menu, &QMenu::aboutToShow, this, &CFrameLines::UpdateStates);
    if (before != nullptr)
        bar->insertMenu(before, m_menu);
    else
        bar->addMenu(m_menu);
}

QToolBar* CFrameLines::BuildToolBar(QWidget* parent)
{
    auto* toolBar = new QToolBar(tr("Lines"), parent);
    toolBar->setObjectName(QStringLiteral("LinesBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar->addAction(m_dtr);
    toolBar->addAction(m_rts);
    toolBar->addAction(m_break);
    return toolBar;
}

void CFrameLines::BuildStatus(QStatusBar* bar)
{
    m_status = new QLabel(bar);
    m_status->setObjectName(QStringLiteral("modemLines"));
    m_status->setTextFormat(Qt::RichText);
    m_status->setToolTip(tr("Input lines of the serial port, read every 100 ms"));
    bar->addPermanentWidget(m_status);
    ShowModemLines(m_lines);
}

void CFrameLines::Toggle(QAction* action, int modemBit)
{
    const bool high = action->isChecked();
    // Until the port reports the line, the check shows what it was.
    action->setChecked(!high);
    if (!m_hub)
        return;
    if (modemBit == MODEM_DTR)
        m_hub->SendLineAction(high ? LineAction::DtrHigh : LineAction::DtrLow);
    else
        m_hub->SendLineAction(high ? LineAction::RtsHigh : LineAction::RtsLow);
}

QString CFrameLines::DisabledReason(std::uint32_t commMode, int modemLines, bool handshakeOwnsLine)
{
    if (commMode != 0)
        return tr("Control lines exist only on a serial connection");
    if (modemLines == MODEM_LINES_UNKNOWN)
        return tr("The serial port is not open");
    if (modemLines == MODEM_LINES_NONE)
        return tr("This port has no modem lines (a pseudo-terminal)");
    if (handshakeOwnsLine)
        return tr("The hardware handshake drives this line (Setup > Communication)");
    return {};
}

QString CFrameLines::StatusText(int modemLines)
{
    if (modemLines == MODEM_LINES_NONE)
        return QStringLiteral("<span style='color:grey'>%1</span>").arg(tr("No modem lines"));
    static constexpr struct {
        const char* name;
        int bit;
    } kInputs[] = {{"CTS", MODEM_CTS}, {"DSR", MODEM_DSR}, {"DCD", MODEM_CD}, {"RI", MODEM_RI}};
    QStringList parts;
    for (const auto& input : kInputs) {
        const bool high = (modemLines & input.bit) != 0;
        parts << (high ? QStringLiteral("<b>%1</b>") : QStringLiteral("<span style='color:grey'>%1</span>"))
                         .arg(QLatin1String(input.name));
    }
    return parts.join(QLatin1Char(' '));
}

void CFrameLines::ShowModemLines(int bits)
{
    m_lines = bits;
    if (m_status != nullptr) {
        // A port without lines says so in the Lines items' tool tips; the
        // status bar keeps its width for the messages.
        m_status->setVisible(bits != MODEM_LINES_UNKNOWN && bits != MODEM_LINES_NONE);
        m_status->setText(StatusText(bits));
    }
    UpdateStates();
}

void CFrameLines::UpdateStates()
{
    const bool remote = m_hub != nullptr && m_hub->IpLink().IsRemoteSerial() && m_hub->IpLink().IsConnected();
    const bool open = remote || (m_hub != nullptr && m_doc.commMode == 0 && m_hub->SerialLink().IsOpen());
    const int lines = open ? m_lines : MODEM_LINES_UNKNOWN;
    struct Item {
        QAction* action;
        int bit;
        QString tip;
    };
    const Item items[] = {{m_dtr, MODEM_DTR, tr("DTR line: checked while raised")},
                          {m_rts, MODEM_RTS, tr("RTS line: checked while raised")},
                          {m_break, 0, tr("Send a 250 ms break")}};
    for (const Item& item : items) {
        const bool owned = item.bit != 0 && HandshakeOwnsLine(m_doc.dcb, item.bit);
        const QString reason = DisabledReason(remote ? 0 : m_doc.commMode, lines, owned);
        item.action->setEnabled(reason.isEmpty());
        item.action->setToolTip(reason.isEmpty() ? item.tip : reason);
        if (item.bit != 0)
            item.action->setChecked(lines >= 0 && (lines & item.bit) != 0);
    }
}

} // namespace kestrelon
