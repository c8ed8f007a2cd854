// Layout of the GPS panel and UpdateDisplay: the model's texts into the labels,
// its satellite slots into the sky views and charts.
#include "ui/gps/GpsStatusBar.h"

#include "ui/widgets/DocText.h"
#include "ui/widgets/Lamp.h"
#include "ui/gps/CourseControl.h"
#include "ui/gps/SatStrength.h"
#include "ui/gps/SkyView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace kestrelon {

namespace {

constexpr int MODE_POINTS = 30;

} // namespace

CGpsStatusBar::CGpsStatusBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* top = new QHBoxLayout;
    m_mode = new QLabel(QStringLiteral("V"), this);
    QFont big(QStringLiteral("Sans Serif"), MODE_POINTS, QFont::Bold);
    m_mode->setFont(big);
    m_mode->setAlignment(Qt::AlignCenter);
    m_mode->setMinimumWidth(QFontMetrics(big).horizontalAdvance(QLatin1Char('W')) + 8);
    top->addWidget(m_mode);
    auto* grid = new QGridLayout;
    m_time = AddValue(grid, 0, QStringLiteral("Time"));
    m_speed = AddValue(grid, 1, QStringLiteral("Speed"));
    m_precision = AddValue(grid, 2, QStringLiteral("Prec"));
    top->addLayout(grid, 1);
    m_lamp = new CLamp(this);
    top->addWidget(m_lamp, 0, Qt::AlignTop);
    layout->addLayout(top);

    auto* position = new QGridLayout;
    m_latitude = AddValue(position, 0, QStringLiteral("Lat"));
    m_longitude = AddValue(position, 1, QStringLiteral("Lon"));
    layout->addLayout(position);
    m_course = new CCourseControl(this);
    layout->addWidget(m_course);

    // The fix stays in sight; the satellite views scroll when the systems do
    // not fit the window's height, which two columns make rare.
    auto* scroll = m_scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* systems = new QWidget(scroll);
    m_systems = new QGridLayout(systems);
    m_systems->setContentsMargins(0, 0, 0, 0);
    const char* const captions[SHOWN_SYSTEMS] = {"GPS", "GLONASS", "Galileo", "BeiDou"};
    for (int i = 0; i < SHOWN_SYSTEMS; ++i)
        m_groups[i] = MakeGroup(systems, QString::fromLatin1(captions[i]));
    m_groups[static_cast<int>(ESatSystem::Galileo)].box->hide();
    m_groups[static_cast<int>(ESatSystem::Beidou)].box->hide();
    scroll->setWidget(systems);
    PlaceGroups();
    layout->addWidget(scroll, 1);

    m_course->SetCourse(0);
    m_lamp->SetLampState(FIX_LAMP_RED);
    UpdateDisplay();
}

void CGpsStatusBar::PlaceGroups()
{
    // One column for GPS and GLONASS; once a third system is heard, two, so
    // that four systems fit a screen's height even with large fonts.
    int shown = 0;
    for (const CSystemGroup& group : m_groups)
        shown += group.box->isHidden() ? 0 : 1;
    const int columns = shown > 2 ? 2 : 1;
    int place = 0;
    for (const CSystemGroup& group : m_groups) {
        m_systems->removeWidget(group.box);
        if (!group.box->isHidden()) {
            m_systems->addWidget(group.box, place / columns, place % columns);
            ++place;
        }
    }
    m_systems->setRowStretch(m_systems->rowCount(), 1);
    m_scroll->setMinimumWidth(m_scroll->widget()->minimumSizeHint().width() +
                              style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

QLabel* CGpsStatusBar::AddValue(QGridLayout* grid, int row, const QString& caption)
{
    auto* name = new QLabel(caption, this);
    name->setForegroundRole(QPalette::PlaceholderText);
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(name, row, 0);
    grid->addWidget(value, row, 1);
    grid->setColumnStretch(1, 1);
    return value;
}

CGpsStatusBar::CSystemGroup CGpsStatusBar::MakeGroup(QWidget* parent, const QString& caption)
{
    CSystemGroup group;
    group.box = new QWidget(parent);
    auto* layout = new QVBoxLayout(group.box);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(2);
    auto* title = new QLabel(caption, group.box);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    auto* row = new QHBoxLayout;
    group.sky = new CSkyView(group.box);
    group.strength = new CSatStrength(group.box);
    row->addWidget(group.sky);
    row->addWidget(group.strength, 1);
    layout->addLayout(row);
    return group;
}

bool CGpsStatusBar::IsSystemShown(ESatSystem system) const
{
    const int i = static_cast<int>(system);
    return i < SHOWN_SYSTEMS && !m_groups[i].box->isHidden();
}

void CGpsStatusBar::OnReceivedChar(std::uint8_t c)
{
    if (m_model.OnReceivedChar(c))
        UpdateDisplay();
}

void CGpsStatusBar::UpdateDisplay()
{
    const CGpsDisplay d = m_model.Display();
    m_longitude->setText(FromDocText(d.longitude));
    m_latitude->setText(FromDocText(d.latitude));
    m_precision->setText(FromDocText(d.precision));
    m_speed->setText(FromDocText(d.speed));
    m_time->setText(FromDocText(d.time));
    m_course->SetCourse(d.course);
    if (d.lampGreen)
        m_lamp->SetLampState(FIX_LAMP_GREEN);
    m_mode->setText(FromDocText(d.modeLetter));
    bool newSystem = false;
    for (const CSatPanel& panel : d.panels) {
        const int i = static_cast<int>(panel.system);
        if (i >= SHOWN_SYSTEMS)
            continue;
        CSystemGroup& group = m_groups[i];
        for (int slot = 0; slot < CSatPanel::SLOTS; ++slot) {
            const CSatSlot& s = panel.satSlots[slot];
            group.strength->SetSatellite(slot, s.used, s.prn, s.snr);
            group.sky->SetSatellite(slot, s.used, s.prn, s.elevation, s.azimuth);
        }
        newSystem = newSystem || group.box->isHidden();
        group.box->show();
    }
    if (newSystem)
        PlaceGroups();
}

} // namespace kestrelon
