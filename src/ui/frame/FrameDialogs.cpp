// COM-port failure dialog and About box.
#include "ui/frame/FrameDialogs.h"

#include "ui/frame/StringTable.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kestrelon {

namespace {
QString Text(int id) { return QString::fromUtf8(LoadString(id).data(), int(LoadString(id).size())); }
} // namespace

CPortFailureDialog::CPortFailureDialog(QWidget* parent, const QString& detail) : QDialog(parent)
{
    setWindowTitle(Text(IDS_APP_NAME));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    auto* text = new QLabel(Text(IDS_PORT_FAILURE), this);
    text->setObjectName(QStringLiteral("text"));
    text->setWordWrap(true);
    text->setMinimumWidth(320);
    // The fixed text lists every possible cause; this line says which it was.
    auto* reason = new QLabel(detail, this);
    reason->setObjectName(QStringLiteral("detail"));
    reason->setWordWrap(true);
    reason->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reason->setVisible(!detail.isEmpty());
    auto* texts = new QVBoxLayout;
    texts->addWidget(text);
    texts->addWidget(reason);

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    m_setup = new QPushButton(Text(IDS_PORT_FAILURE_SETUP), this);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_setup, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_setup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Kestrelon"));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/data/kestrelon-48.png")));
    auto* version = new QLabel(VersionLine(), this);
    version->setObjectName(QStringLiteral("version"));
    auto* fixed = new QLabel(tr("A terminal for serial and networked devices"), this);
    auto* built = new QLabel(BuildTimeLine(), this);
    built->setObjectName(QStringLiteral("built"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* lines = new QVBoxLayout;
    lines->addWidget(version);
    lines->addWidget(fixed);
    lines->addWidget(built);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(lines, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

QString CAboutDialog::VersionLine()
{
    return QString::asprintf(LoadString(IDS_VERSION_LINE).data(), KESTRELON_VERSION);
}

QString CAboutDialog::BuildTimeLine() { return QStringLiteral(__DATE__ " " __TIME__); }

} // namespace kestrelon
