#pragma once

#include "ProcedureInstaller.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class QLabel;
class QSlider;

namespace vexmoor::base {
class Profile;
struct TraceSettings;
} // namespace vexmoor::base

namespace vexmoor::db {
class OciSession;
}

namespace vexmoor::trace {
class PipeChannel;
}

namespace vexmoor::options {

// The "Options" dialog (template 135): the poll interval on a slider, the
// pipe name and three flags, and the button that installs the server-side
// trace procedures. It owns no settings: the opener copies the five values
// into the public members, runs DoModal and, after OK only, reads them back.
//
// Flags are exchanged as 0/1. A flag value outside 0..2 is taken as 0 before
// it is shown, so it shows unchecked and comes back as 0 after OK. The value 2
// (the "indeterminate" state of a three-state box) is within range, but these
// boxes have two states: it shows checked and comes back as 1.
class COptionsDlg : public QDialog {
    Q_OBJECT

public:
    // Which way DoDataExchange moves the values.
    enum class Exchange { ToControls, FromControls };

    // Installs the procedures on a pipe's database; installProcedures unless
    // a test puts a probe around it.
    // It hands back what the server refused; the dialog says in the
    // program's status bar what it made.
    using ProcedureInstaller = std::function<std::vector<RefusedStatement>(trace::PipeChannel&)>;

    explicit COptionsDlg(QWidget* parent = nullptr);
    ~COptionsDlg() override;

    // Opens the dialog (OnInitDialog) and runs it modally; QDialog::Accepted
    // after OK, QDialog::Rejected after Cancel, Escape or the close box.
    int DoModal();

    // The database Generate Procedures works on: the channel's, or the
    // session's; g_pSession's until one is set. The channel outlives the
    // dialog.
    void useChannel(trace::PipeChannel& channel);
    void useSession(db::OciSession& session);
    void useInstaller(ProcedureInstaller installer) { installer_ = std::move(installer); }

    void DoDataExchange(Exchange direction);
    void UpdateTimerDisplay();

    // Poll interval in seconds. While the dialog is open it always holds the
    // slider's position, so from opening on it lies in 0..60. The opener sets
    // it before DoModal.
    std::int32_t m_nTimerFrequency = 0;
    QLabel* m_staticTimerValue = nullptr; // control 1004, attached by DoDataExchange
    QSlider* m_sliderTimer = nullptr;     // control 1001, attached by DoDataExchange
    std::string m_strPipeName;            // as typed: never trimmed, may be empty
    int m_bLFFlag = 0;
    int m_bAutoUnpack = 0;
    int m_bAllowEdit = 0;

public slots:
    // OK: takes the values from the controls, then closes. No validation, so
    // OK always closes the dialog.
    void accept() override;
    void OnGenerateProcedures();

private:
    void OnInitDialog();
    void OnHScroll();
    void attachControls();
    trace::PipeChannel* installChannel();

    std::unique_ptr<trace::PipeChannel> ownedChannel_;
    trace::PipeChannel* channel_ = nullptr;
    ProcedureInstaller installer_;
};

// The log window's Options command up to the point where the new settings
// are in force: runs the dialog on a copy of `settings`; after Cancel returns
// false with nothing changed or written; after OK copies the five values back
// into `settings`, stores them in the profile (storeTraceSettings) and returns
// true, and the caller then starts polling with them. Generate Procedures
// works on the channel's database. `parent` (may be null) is the window the
// dialog is centred over and modal to.
bool runOptionsCommand(base::TraceSettings& settings, base::Profile& profile,
                       trace::PipeChannel& channel, QWidget* parent);
// The same with Generate Procedures on an OCI session.
bool runOptionsCommand(base::TraceSettings& settings, base::Profile& profile,
                       db::OciSession& session, QWidget* parent);

} // namespace vexmoor::options
