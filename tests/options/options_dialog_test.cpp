// The options dialog and the Options command: the slider and its number, the
// exchange of the five settings, the profile writes, Generate Procedures on
// the embedded engine, and the log window polling while the dialog is open.

#include "support/EmbeddedTraceDatabase.h"
#include "support/QtTestApplication.h"
#include "support/ScopedLocale.h"

#include "app/OptionsCommand.h"
#include "base/Profile.h"
#include "base/TraceSettings.h"
#include "db/OciSession.h"
#include "options/COptionsDlg.h"
#include "options/ProcedureInstaller.h"
#include "res/OptionsDialogTemplate.h"
#include "trace/CVexmoorView.h"
#include "trace/OciPipeChannel.h"
#include "trace/PipePoller.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::options {

using namespace vexmoor::test;

namespace {

namespace ids = res::options_dialog;

using WhileOpen = std::function<void(COptionsDlg&)>;

// Runs `steps` on the modal window of type Window once it is up, from inside
// the event loop that shows it; the window is then cancelled if the steps
// left it open, so a failed expectation cannot leave a test waiting forever.
// The timer lives in the guard: steps never run after the test that planned
// them, and a window that never came up is a failure.
template <class Window>
class WhenUp {
public:
    explicit WhenUp(std::function<void(Window&)> steps)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, steps = std::move(steps)] {
            ran_ = true;
            auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
            EXPECT_NE(window, nullptr) << "the expected window is the modal one";
            if (window == nullptr)
                return;
            steps(*window);
            if (window->isVisible())
                window->reject();
        });
        timer_.start(0);
    }
    ~WhenUp() { EXPECT_TRUE(ran_) << "the window came up"; }
    WhenUp(const WhenUp&) = delete;
    WhenUp& operator=(const WhenUp&) = delete;

private:
    QTimer timer_;
    bool ran_ = false;
};

using WhenOpen = WhenUp<COptionsDlg>;

int RunDialog(COptionsDlg& dialog, WhileOpen whileOpen)
{
    WhenOpen open(std::move(whileOpen));
    return dialog.DoModal();
}

template <class Widget>
Widget& ControlOf(const COptionsDlg& dialog, int id)
{
    Widget* widget = res::findControl<Widget>(dialog, id);
    EXPECT_NE(widget, nullptr) << "control " << id;
    if (widget == nullptr)
        throw std::logic_error("missing control");
    return *widget;
}

void Press(COptionsDlg& dialog, int buttonId)
{
    QTest::mouseClick(&ControlOf<QPushButton>(dialog, buttonId), Qt::LeftButton);
}

QString Shown(const COptionsDlg& dialog)
{
    return dialog.m_staticTimerValue->text();
}

// The number beside the slider and the interval member both say where the
// thumb is.
void ExpectNumberFollowsThumb(const COptionsDlg& dialog, const char* after)
{
    const int position = dialog.m_sliderTimer->value();
    EXPECT_EQ(Shown(dialog), QString::number(position)) << after;
    EXPECT_EQ(dialog.m_nTimerFrequency, position) << after;
}

QRect PartOf(const QSlider& slider, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.singleStep = slider.singleStep();
    option.pageStep = slider.pageStep();
    option.tickPosition = slider.tickPosition();
    option.tickInterval = slider.tickInterval();
    option.upsideDown = slider.invertedAppearance();
    option.subControls = QStyle::SC_All;
    return slider.style()->subControlRect(QStyle::CC_Slider, &option, part, &slider);
}

// Remembers every write, in order, as "entry=value".
class RecordingProfile final : public base::Profile {
public:
    int getProfileInt(std::string_view section, std::string_view entry,
                      int defaultValue) const override
    {
        return values.getProfileInt(section, entry, defaultValue);
    }
    std::string getProfileString(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue) const override
    {
        return values.getProfileString(section, entry, defaultValue);
    }
    void writeProfileInt(std::string_view section, std::string_view entry, int value) override
    {
        writes.push_back(std::string(section) + "/" + std::string(entry) + "="
                         + std::to_string(value));
        values.writeProfileInt(section, entry, value);
    }
    void writeProfileString(std::string_view section, std::string_view entry,
                            std::string_view value) override
    {
        writes.push_back(std::string(section) + "/" + std::string(entry) + "="
                         + std::string(value));
        values.writeProfileString(section, entry, value);
    }

    base::MemoryProfile values;
    std::vector<std::string> writes;
};

bool SameSettings(const base::TraceSettings& a, const base::TraceSettings& b)
{
    return a.m_strPipeName == b.m_strPipeName && a.m_nTimerFrequency == b.m_nTimerFrequency
           && a.m_bLFFlag == b.m_bLFFlag && a.m_bAutoUnpack == b.m_bAutoUnpack
           && a.m_bAllowEdit == b.m_bAllowEdit;
}

std::vector<std::string> drain(db::OciSession& session, const std::string& pipe)
{
    RecordingSink sink;
    trace::PipePoller poller(session, sink);
    poller.Settings().m_strPipeName = pipe;
    poller.PollPipe();
    return sink.lines;
}

class OptionsDialog : public ::testing::Test {
protected:
    EmbeddedTraceDatabase database;
    std::unique_ptr<db::OciSession> session = database.LogOn();
    RecordingProfile profile;
};

} // namespace

TEST_F(OptionsDialog, OpensWithTheTemplatesControlsInTabOrderAndTheFocusOnTheSlider)
{
    COptionsDlg dialog;
    dialog.m_nTimerFrequency = 5;
    RunDialog(dialog, [](COptionsDlg& open) {
        EXPECT_EQ(open.windowTitle(), "Options");
        EXPECT_EQ(open.focusWidget(), open.m_sliderTimer);

        // Tab runs through the controls with a tab stop in template order,
        // the allow-edit box last.
        std::vector<QString> order;
        QWidget* widget = open.m_sliderTimer;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isVisible())
                order.push_back(widget->objectName());
            widget = widget->nextInFocusChain();
        } while (widget != open.m_sliderTimer);
        EXPECT_EQ(order,
                  (std::vector<QString>{"1001", "1003", "1005", "1000", "1", "2", "1007", "1006"}));

        // No caption carries an access key.
        for (auto* button : open.findChildren<QAbstractButton*>())
            EXPECT_TRUE(QKeySequence::mnemonic(button->text()).isEmpty())
                << button->text().toStdString();
        for (auto* group : open.findChildren<QGroupBox*>())
            EXPECT_TRUE(QKeySequence::mnemonic(group->title()).isEmpty())
                << group->title().toStdString();

        // The slider: 0..60 with a tick above the track every 10 positions.
        EXPECT_EQ(open.m_sliderTimer->minimum(), 0);
        EXPECT_EQ(open.m_sliderTimer->maximum(), 60);
        EXPECT_EQ(open.m_sliderTimer->tickInterval(), 10);
        EXPECT_EQ(open.m_sliderTimer->tickPosition(), QSlider::TicksAbove);

        // The Generate Procedures caption is spread over two lines to fit.
        const QString caption = ControlOf<QPushButton>(open, ids::kGenerateProceduresButton).text();
        EXPECT_EQ(caption.count(u'\n'), 1) << caption.toStdString();
        EXPECT_EQ(QString(caption).replace(u'\n', u' '), "Generate Procedures");
        EXPECT_TRUE(ControlOf<QPushButton>(open, ids::kOkButton).isDefault());
    });
}

TEST_F(OptionsDialog, TheSliderOpensAtTheIntervalKeptWithinZeroToSixtyAndOkHandsItBack)
{
    struct Case {
        int stored;
        int shown;
    };
    for (const Case c : {Case{5, 5}, Case{100, 60}, Case{-7, 0}, Case{0, 0}, Case{60, 60}}) {
        SCOPED_TRACE(c.stored);
        base::TraceSettings settings;
        settings.m_nTimerFrequency = c.stored;
        WhenOpen whenOpen([&](COptionsDlg& open) {
            EXPECT_EQ(open.m_sliderTimer->value(), c.shown);
            EXPECT_EQ(Shown(open), QString::number(c.shown));
            EXPECT_EQ(open.m_nTimerFrequency, c.shown);
            Press(open, ids::kOkButton);
        });
        EXPECT_TRUE(runOptionsCommand(settings, profile, *session, nullptr));
        EXPECT_EQ(settings.m_nTimerFrequency, c.shown);
        EXPECT_EQ(profile.values.getProfileInt("Options", "Timer Frequency", -99), c.shown);
    }
}

TEST_F(OptionsDialog, EveryMovementOfTheThumbShowsAtOnce)
{
    COptionsDlg dialog;
    dialog.m_nTimerFrequency = 30;
    RunDialog(dialog, [](COptionsDlg& open) {
        QSlider& slider = *open.m_sliderTimer;

        // Dragging: the number changes at each step, before the button is
        // released.
        const QPoint grip = PartOf(slider, QStyle::SC_SliderHandle).center();
        QTest::mousePress(&slider, Qt::LeftButton, {}, grip);
        std::set<int> seen;
        const int stepPixels = std::max(1, slider.width() / 120);
        for (int step = 1; step <= 40; ++step) {
            QTest::mouseMove(&slider, grip + QPoint(step * stepPixels, 0));
            ASSERT_TRUE(slider.isSliderDown());
            ExpectNumberFollowsThumb(open, "drag step");
            seen.insert(slider.value());
        }
        EXPECT_GE(seen.size(), 5u) << "the thumb moved through several positions while held";
        EXPECT_GT(slider.value(), 30);
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, grip + QPoint(40 * stepPixels, 0));
        ExpectNumberFollowsThumb(open, "release");

        // Keys move by the slider's own steps.
        slider.setFocus();
        struct KeyMove {
            Qt::Key key;
            int expected;
        };
        for (const KeyMove move :
             {KeyMove{Qt::Key_Home, 0}, KeyMove{Qt::Key_Right, 1}, KeyMove{Qt::Key_PageUp, 11},
              KeyMove{Qt::Key_Left, 10}, KeyMove{Qt::Key_End, 60}, KeyMove{Qt::Key_PageDown, 50}}) {
            QTest::keyClick(&slider, move.key);
            EXPECT_EQ(slider.value(), move.expected)
                << QKeySequence(move.key).toString().toStdString();
            ExpectNumberFollowsThumb(open, "key");
        }

        // A click on the track beside the thumb.
        const QRect track = PartOf(slider, QStyle::SC_SliderGroove);
        QTest::mouseClick(&slider, Qt::LeftButton, {},
                          QPoint(track.left() + 2, track.center().y()));
        EXPECT_LT(slider.value(), 50);
        ExpectNumberFollowsThumb(open, "click on the track");

        slider.triggerAction(QAbstractSlider::SliderPageStepAdd);
        ExpectNumberFollowsThumb(open, "page step");
    });
}

TEST_F(OptionsDialog, OkHandsTheFiveValuesBackAndWritesThemInOrder)
{
    base::TraceSettings settings; // pipe "vexmoor", 5 s, LF on, no unpacking, editable
    WhenOpen whenOpen([](COptionsDlg& open) {
        EXPECT_EQ(ControlOf<QLineEdit>(open, ids::kPipeNameEdit).text(), "vexmoor");
        EXPECT_TRUE(ControlOf<QCheckBox>(open, ids::kLFFlagBox).isChecked());
        EXPECT_FALSE(ControlOf<QCheckBox>(open, ids::kAutoUnpackBox).isChecked());
        EXPECT_TRUE(ControlOf<QCheckBox>(open, ids::kAllowEditBox).isChecked());
        for (int id : {ids::kLFFlagBox, ids::kAutoUnpackBox, ids::kAllowEditBox})
            QTest::mouseClick(&ControlOf<QCheckBox>(open, id), Qt::LeftButton);
        QTest::keyClick(open.m_sliderTimer, Qt::Key_PageUp);
        QLineEdit& pipe = ControlOf<QLineEdit>(open, ids::kPipeNameEdit);
        pipe.selectAll();
        QTest::keyClicks(&pipe, "other");
        Press(open, ids::kOkButton);
    });
    ASSERT_TRUE(runOptionsCommand(settings, profile, *session, nullptr));

    EXPECT_EQ(settings.m_strPipeName, "other");
    EXPECT_EQ(settings.m_nTimerFrequency, 15);
    EXPECT_FALSE(settings.m_bLFFlag);
    EXPECT_TRUE(settings.m_bAutoUnpack);
    EXPECT_FALSE(settings.m_bAllowEdit);
    EXPECT_EQ(profile.writes,
              (std::vector<std::string>{"Options/LF Flag=0", "Options/Auto Unpack=1",
                                        "Options/Allow Edit=0", "Options/Timer Frequency=15",
                                        "Options/Pipe Name=other"}));
}

TEST_F(OptionsDialog, ThePipeNameComesBackExactlyAsTyped)
{
    const ScopedLocale locale("C.UTF-8");
    ASSERT_TRUE(locale.IsActive());
    for (const std::string typed : {"", "  padded pipe  ", " ", "it's",
                                    "Gr\xC3\xB6\xC3\x9F"
                                    "e 20\xE2\x82\xAC"}) {
        SCOPED_TRACE("[" + typed + "]");
        base::TraceSettings settings;
        RecordingProfile written;
        WhenOpen whenOpen([&](COptionsDlg& open) {
            QLineEdit& pipe = ControlOf<QLineEdit>(open, ids::kPipeNameEdit);
            pipe.clear();
            TypeText(pipe, QString::fromStdString(typed));
            // Enter in the edit box is OK, and no message follows.
            QTest::keyClick(&pipe, Qt::Key_Return);
        });
        ASSERT_TRUE(runOptionsCommand(settings, written, *session, nullptr));
        EXPECT_EQ(settings.m_strPipeName, typed);
        EXPECT_EQ(written.values.getProfileString("Options", "Pipe Name", "missing"), typed);
    }
}

TEST_F(OptionsDialog, FlagsOutsideZeroToTwoShowUncheckedAndComeBackAsZero)
{
    COptionsDlg dialog;
    dialog.m_bLFFlag = -1;
    dialog.m_bAutoUnpack = 3;
    dialog.m_bAllowEdit = 2; // within range: a two-state box shows it checked
    const int result = RunDialog(dialog, [](COptionsDlg& open) {
        EXPECT_FALSE(ControlOf<QCheckBox>(open, ids::kLFFlagBox).isChecked());
        EXPECT_FALSE(ControlOf<QCheckBox>(open, ids::kAutoUnpackBox).isChecked());
        EXPECT_TRUE(ControlOf<QCheckBox>(open, ids::kAllowEditBox).isChecked());
        EXPECT_EQ(ControlOf<QCheckBox>(open, ids::kAllowEditBox).checkState(), Qt::Checked);
        Press(open, ids::kOkButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.m_bLFFlag, 0);
    EXPECT_EQ(dialog.m_bAutoUnpack, 0);
    EXPECT_EQ(dialog.m_bAllowEdit, 1);
}

TEST_F(OptionsDialog, CancelEscapeAndTheCloseBoxChangeNothingAndWriteNothing)
{
    const std::vector<std::function<void(COptionsDlg&)>> closers{
        [](COptionsDlg& open) { Press(open, ids::kCancelButton); },
        [](COptionsDlg& open) { QTest::keyClick(open.m_sliderTimer, Qt::Key_Escape); },
        [](COptionsDlg& open) { open.close(); },
    };
    for (std::size_t i = 0; i < closers.size(); ++i) {
        SCOPED_TRACE(i);
        base::TraceSettings settings;
        settings.m_strPipeName = "kept";
        const base::TraceSettings before = settings;
        WhenOpen whenOpen([&](COptionsDlg& open) {
            QTest::keyClick(open.m_sliderTimer, Qt::Key_End);
            ASSERT_EQ(open.m_nTimerFrequency, 60);
            QTest::mouseClick(&ControlOf<QCheckBox>(open, ids::kAutoUnpackBox), Qt::LeftButton);
            ControlOf<QLineEdit>(open, ids::kPipeNameEdit).setText("changed");
            closers[i](open);
            EXPECT_FALSE(open.isVisible());
        });
        EXPECT_FALSE(runOptionsCommand(settings, profile, *session, nullptr));
        EXPECT_TRUE(SameSettings(settings, before));
        EXPECT_TRUE(profile.writes.empty());
    }
}

TEST_F(OptionsDialog, GenerateProceduresShowsTheNoteEachTimeThenInstallsAndCancelKeepsThem)
{
    base::TraceSettings settings;
    settings.m_strPipeName = "elsewhere";
    const base::TraceSettings before = settings;
    int notes = 0;
    WhenOpen whenOpen([&](COptionsDlg& open) {
        QTest::keyClick(open.m_sliderTimer, Qt::Key_Home);
        for (int press = 1; press <= 2; ++press) {
            WhenUp<QMessageBox> whenNote([&](QMessageBox& box) {
                QMessageBox* note = &box;
                ++notes;
                EXPECT_EQ(note->text(),
                          QString::fromLatin1(kInstallNote.data(),
                                              static_cast<qsizetype>(kInstallNote.size())));
                EXPECT_EQ(note->textFormat(), Qt::PlainText) << "'<user>' must show as text";
                EXPECT_EQ(note->windowTitle(), "Vexmoor");
                EXPECT_EQ(note->icon(), QMessageBox::Warning);
                EXPECT_EQ(note->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                EXPECT_EQ(note->parentWidget(), &open) << "over the options dialog";
                note->button(QMessageBox::Ok)->click();
            });
            Press(open, ids::kGenerateProceduresButton);
            EXPECT_EQ(notes, press);
            EXPECT_TRUE(open.isVisible()) << "the dialog stays open";
        }
        Press(open, ids::kCancelButton);
    });
    EXPECT_FALSE(runOptionsCommand(settings, profile, *session, nullptr));
    EXPECT_EQ(notes, 2);
    EXPECT_TRUE(SameSettings(settings, before));
    EXPECT_TRUE(profile.writes.empty());

    // Another session calls the procedures; they send on 'vexmoor', not on
    // the pipe the dialog showed.
    auto caller = database.LogOn("system", "manager");
    StatementRunner run(*caller);
    EXPECT_TRUE(run.TryRun("begin SendDebugMessage('x'); end;"));
    EXPECT_TRUE(run.TryRun("begin SendTraceMessage('y'); end;"));
    EXPECT_TRUE(drain(*session, "elsewhere").empty());
    const std::vector<std::string> lines = drain(*session, "vexmoor");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "x\r\n");
    EXPECT_TRUE(std::string_view(lines[1]).ends_with(": y\r\n")) << lines[1];
}

TEST_F(OptionsDialog, TheBusyPointerLastsFromTheNoteClosingUntilTheInstallEnds)
{
    COptionsDlg dialog;
    std::optional<Qt::CursorShape> pointerDuringNote;
    std::optional<Qt::CursorShape> pointerDuringInstall;
    trace::PipeChannel* installedOn = nullptr;
    dialog.useInstaller([&](trace::PipeChannel& target) {
        const QCursor* pointer = QApplication::overrideCursor();
        if (pointer != nullptr)
            pointerDuringInstall = pointer->shape();
        installedOn = &target;
        return installProcedures(target);
    });
    // Without a session of its own the dialog works on the program's session.
    db::OciSession* const programSession = db::g_pSession;
    db::g_pSession = session.get();
    RunDialog(dialog, [&](COptionsDlg& open) {
        WhenUp<QMessageBox> whenNote([&](QMessageBox& note) {
            const QCursor* pointer = QApplication::overrideCursor();
            if (pointer != nullptr)
                pointerDuringNote = pointer->shape();
            note.accept();
        });
        Press(open, ids::kGenerateProceduresButton);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the normal pointer is back";
    });
    db::g_pSession = programSession;

    EXPECT_FALSE(pointerDuringNote.has_value()) << "the note shows the normal pointer";
    EXPECT_EQ(pointerDuringInstall, Qt::WaitCursor);
    ASSERT_NE(installedOn, nullptr);
    EXPECT_EQ(installedOn->dialect(), trace::PipeDialect::Oracle);
    StatementRunner run(*session);
    EXPECT_TRUE(run.TryRun("begin SendDebugMessage('installed'); end;"));
}

// The log window around the dialog: its Options command, and its polling
// while the dialog is open.
class OptionsCommand : public ::testing::Test {
protected:
    // The Options command as the program wires it and the toolbar runs it.
    void Options(trace::CVexmoorView& view)
    {
        app::wireOptionsCommand(view, profile, pollingChannel);
        view.OnOptions();
    }

    static std::vector<QAbstractEventDispatcher::TimerInfo> Timers(trace::CVexmoorView& view)
    {
        const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(&view);
        return {timers.begin(), timers.end()};
    }

    EmbeddedTraceDatabase database;
    std::unique_ptr<db::OciSession> pollingSession = database.LogOn();
    trace::OciPipeChannel pollingChannel{*pollingSession};
    std::unique_ptr<db::OciSession> sendingSession = database.LogOn();
    StatementRunner sender{*sendingSession};
    base::MemoryProfile profile;
};

TEST_F(OptionsCommand, PollingGoesOnWithTheOldSettingsWhileTheDialogIsOpen)
{
    profile.writeProfileInt("Options", "Timer Frequency", 0);
    trace::CVexmoorView view(profile, *pollingSession);
    view.OnStart();
    const std::size_t stored = profile.size();
    WhenOpen whenOpen([&](COptionsDlg& open) {
        // New values in the controls are not in force yet.
        ControlOf<QLineEdit>(open, ids::kPipeNameEdit).setText("fresh");
        QTest::mouseClick(&ControlOf<QCheckBox>(open, ids::kLFFlagBox), Qt::LeftButton);
        sender.SendSimple("during", "vexmoor");
        sender.SendSimple("not yet", "fresh");
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.logText() == "during\r\n"; }, 5000))
            << view.logText();
        Press(open, ids::kCancelButton);
    });
    Options(view);
    EXPECT_EQ(view.logText(), "during\r\n");
    EXPECT_EQ(view.Settings().m_strPipeName, "vexmoor");
    EXPECT_EQ(profile.size(), stored);
}

TEST_F(OptionsCommand, CancelNeitherPollsNorTouchesTheTimer)
{
    profile.writeProfileInt("Options", "Timer Frequency", 60);
    trace::CVexmoorView view(profile, *pollingSession);
    view.OnStart();
    const unsigned timerId = view.TimerId();
    sender.SendSimple("waiting");
    WhenOpen whenOpen([](COptionsDlg& open) {
        QTest::keyClick(open.m_sliderTimer, Qt::Key_Home);
        Press(open, ids::kCancelButton);
    });
    Options(view);
    EXPECT_EQ(view.logText(), "") << "nothing was polled";
    EXPECT_EQ(view.TimerId(), timerId);
    ASSERT_EQ(Timers(view).size(), 1u);
    EXPECT_EQ(Timers(view)[0].interval, 60000);
    EXPECT_EQ(view.Settings().m_nTimerFrequency, 60);
    EXPECT_EQ(profile.size(), 1u) << "only what the test stored";
}

TEST_F(OptionsCommand, OkStoresTheSettingsAndPollsTheNewPipeAtOnce)
{
    profile.writeProfileInt("Options", "Timer Frequency", 60);
    trace::CVexmoorView view(profile, *pollingSession);
    view.OnStart();
    sender.SendSimple("old pipe");
    sender.SendSimple("new pipe", "fresh");
    WhenOpen whenOpen([](COptionsDlg& open) {
        QLineEdit& pipe = ControlOf<QLineEdit>(open, ids::kPipeNameEdit);
        pipe.selectAll();
        QTest::keyClicks(&pipe, "fresh");
        QTest::keyClick(open.m_sliderTimer, Qt::Key_Home);
        QTest::keyClick(open.m_sliderTimer, Qt::Key_Right);
        Press(open, ids::kOkButton);
    });
    Options(view);
    EXPECT_EQ(view.logText(), "new pipe\r\n") << "polled at once, on the new pipe only";
    EXPECT_EQ(profile.getProfileString("Options", "Pipe Name", ""), "fresh");
    EXPECT_EQ(profile.getProfileInt("Options", "Timer Frequency", -1), 1);
    ASSERT_EQ(Timers(view).size(), 1u);
    EXPECT_EQ(Timers(view)[0].interval, 1000);

    sender.SendSimple("old pipe again");
    view.PollPipe();
    EXPECT_EQ(view.logText(), "new pipe\r\n") << "the old pipe is no longer read";
}

} // namespace vexmoor::options
