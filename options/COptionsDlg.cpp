#include "COptionsDlg.h"

#include "ProcedureInstaller.h"
#include "WaitCursor.h"
#include "base/LocaleText.h"
#include "base/TraceSettings.h"
#include "db/OciSession.h"
#include "res/CommandIds.h"
#include "res/OptionsDialogTemplate.h"
#include "res/StringTable.h"
#include "trace/OciPipeChannel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStatusTipEvent>
#include <QStringList>
#include <QStyle>

#include <array>
#include <utility>

namespace vexmoor::options {

namespace {

namespace ids = res::options_dialog;

// Each check box and the flag it shows.
constexpr std::array<std::pair<int, int COptionsDlg::*>, 3> kFlagBoxes{{
    {ids::kLFFlagBox, &COptionsDlg::m_bLFFlag},
    {ids::kAutoUnpackBox, &COptionsDlg::m_bAutoUnpack},
    {ids::kAllowEditBox, &COptionsDlg::m_bAllowEdit},
}};

// The pipe name is bytes in the locale's character set everywhere but in the control.
QString fromBytes(const std::string& bytes)
{
    return base::fromLocaleBytes(bytes);
}

std::string toBytes(const QString& text)
{
    return base::toLocaleBytes(text);
}

// The template asks for the Generate Procedures caption centred over two
// lines; a push button here does not wrap by itself, so the caption is
// broken at blanks to fit the button's width.
void wrapCaption(QPushButton& button)
{
    const QFontMetrics metrics(button.font());
    const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button);
    const int room = button.width() - 2 * margin;
    QStringList lines;
    for (const QString& word : button.text().split(u' ', Qt::SkipEmptyParts)) {
        if (!lines.isEmpty() && metrics.horizontalAdvance(lines.back() + u' ' + word) <= room)
            lines.back() += u' ' + word;
        else
            lines.push_back(word);
    }
    button.setText(lines.join(u'\n'));
}

void showInstallNote(QWidget& over)
{
    QMessageBox note(
        QMessageBox::Warning, res::loadString(res::AFX_IDS_APP_TITLE),
        QString::fromLatin1(kInstallNote.data(), static_cast<qsizetype>(kInstallNote.size())),
        QMessageBox::Ok, &over);
    // "<user>" in the note would otherwise be taken for a markup tag and vanish.
    note.setTextFormat(Qt::PlainText);
    note.exec();
}

} // namespace

COptionsDlg::COptionsDlg(QWidget* parent)
    : QDialog(parent),
      installer_([](trace::PipeChannel& channel) { return installProcedures(channel); })
{
    res::buildDialog(*this, ids::dialogTemplate());
    wrapCaption(res::requireControl<QPushButton>(*this, ids::kGenerateProceduresButton));

    // The number beside the slider follows every movement: each step of a
    // drag (tracking is on, so the value changes before the button is
    // released), each click on the track, each key, and the end of a move.
    auto& slider = res::requireControl<QSlider>(*this, ids::kTimerSlider);
    connect(&slider, &QSlider::valueChanged, this, &COptionsDlg::OnHScroll);
    connect(&slider, &QSlider::sliderMoved, this, &COptionsDlg::OnHScroll);
    connect(&slider, &QSlider::sliderReleased, this, &COptionsDlg::OnHScroll);
    connect(&res::requireControl<QPushButton>(*this, ids::kGenerateProceduresButton),
            &QPushButton::clicked, this, &COptionsDlg::OnGenerateProcedures);
}

COptionsDlg::~COptionsDlg() = default;

int COptionsDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void COptionsDlg::attachControls()
{
    m_staticTimerValue = &res::requireControl<QLabel>(*this, ids::kTimerValueText);
    m_sliderTimer = &res::requireControl<QSlider>(*this, ids::kTimerSlider);
}

void COptionsDlg::DoDataExchange(Exchange direction)
{
    attachControls();
    auto& pipeName = res::requireControl<QLineEdit>(*this, ids::kPipeNameEdit);
    if (direction == Exchange::ToControls) {
        pipeName.setText(fromBytes(m_strPipeName));
        for (const auto& [id, flag] : kFlagBoxes) {
            if (this->*flag < 0 || this->*flag > 2)
                this->*flag = 0;
            // A two-state box shows the third state, 2, as checked.
            res::requireControl<QCheckBox>(*this, id).setChecked(this->*flag != 0);
        }
    } else {
        m_strPipeName = toBytes(pipeName.text());
        for (const auto& [id, flag] : kFlagBoxes)
            this->*flag = res::requireControl<QCheckBox>(*this, id).isChecked() ? 1 : 0;
    }
}

void COptionsDlg::OnInitDialog()
{
    DoDataExchange(Exchange::ToControls);
    // Line and page steps stay the slider's own: arrows move by 1, Page Up
    // and Page Down by 10, Home and End to the ends.
    m_sliderTimer->setMinimum(ids::kTimerMinimum);
    m_sliderTimer->setMaximum(ids::kTimerMaximum);
    m_sliderTimer->setTickInterval(ids::kTimerTickFrequency);
    // The slider clamps a value outside the range to the nearer end.
    m_sliderTimer->setValue(m_nTimerFrequency);
    UpdateTimerDisplay();
    m_sliderTimer->setFocus();
}

void COptionsDlg::UpdateTimerDisplay()
{
    m_nTimerFrequency = m_sliderTimer->value();
    m_staticTimerValue->setText(QString::number(m_nTimerFrequency));
}

void COptionsDlg::OnHScroll()
{
    UpdateTimerDisplay();
}

void COptionsDlg::accept()
{
    // The interval is not read here: it already holds the last position.
    DoDataExchange(Exchange::FromControls);
    QDialog::accept();
}

void COptionsDlg::useChannel(trace::PipeChannel& channel)
{
    ownedChannel_.reset();
    channel_ = &channel;
}

void COptionsDlg::useSession(db::OciSession& session)
{
    ownedChannel_ = std::make_unique<trace::OciPipeChannel>(session);
    channel_ = ownedChannel_.get();
}

trace::PipeChannel* COptionsDlg::installChannel()
{
    if (channel_ == nullptr && db::g_pSession != nullptr)
        useSession(*db::g_pSession);
    return channel_;
}

void COptionsDlg::OnGenerateProcedures()
{
    // There is no backing out of the note: the installation follows it.
    showInstallNote(*this);
    trace::PipeChannel* channel = installChannel();
    if (channel == nullptr)
        return;
    // The busy pointer lasts until the installer has closed its cursor.
    std::string outcome;
    {
        WaitCursor busy;
        outcome = describeInstallOutcome(installer_(*channel), channel->dialect());
    }
    // The program's window shows status tips in its message pane.
    if (QWidget* frame = parentWidget() ? parentWidget()->window() : nullptr) {
        QStatusTipEvent tip(QString::fromStdString(outcome));
        QCoreApplication::sendEvent(frame, &tip);
    }
}

bool runOptionsCommand(base::TraceSettings& settings, base::Profile& profile,
                       db::OciSession& session, QWidget* parent)
{
    trace::OciPipeChannel channel(session);
    return runOptionsCommand(settings, profile, channel, parent);
}

bool runOptionsCommand(base::TraceSettings& settings, base::Profile& profile,
                       trace::PipeChannel& channel, QWidget* parent)
{
    COptionsDlg dialog(parent);
    dialog.useChannel(channel);
    // The flags go in as the profile holds them, so that the dialog can show
    // a value outside 0..2 unchecked.
    dialog.m_bLFFlag = settings.m_bLFFlag;
    dialog.m_bAutoUnpack = settings.m_bAutoUnpack;
    dialog.m_bAllowEdit = settings.m_bAllowEdit;
    dialog.m_nTimerFrequency = settings.m_nTimerFrequency;
    dialog.m_strPipeName = settings.m_strPipeName;
    if (dialog.DoModal() != QDialog::Accepted)
        return false;

    settings.m_bLFFlag = dialog.m_bLFFlag;
    settings.m_bAutoUnpack = dialog.m_bAutoUnpack;
    settings.m_bAllowEdit = dialog.m_bAllowEdit;
    settings.m_nTimerFrequency = dialog.m_nTimerFrequency;
    settings.m_strPipeName = dialog.m_strPipeName;
    base::storeTraceSettings(settings, profile);
    return true;
}

} // namespace vexmoor::options
