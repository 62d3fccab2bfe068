#include "AppTestSupport.h"

#include "app/ActionRegistry.h"
#include "app/CMainFrame.h"
#include "app/KeyStatePanes.h"
#include "res/StringTable.h"
#include "trace/CVexmoorView.h"

#include <QAction>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolBar>
#include <QToolButton>

namespace vexmoor::app {

namespace {

class FrameTest : public AppTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Start());
        frame_ = app_->mainFrame();
        ASSERT_NE(frame_, nullptr);
    }

    QAction* Action(int id) const { return app_->Actions()->action(id); }

    CMainFrame* frame_ = nullptr;
};

TEST_F(FrameTest, ToolbarHasTwelveButtonsInOrderWithTheirCommandsAndTooltips)
{
    struct Expected {
        int id;
        const char* tooltip;
    };
    // 0 marks a separator.
    const std::vector<Expected> expected{
        {57600, "New"},   {57601, "Open"},  {57603, "Save"},    {0, nullptr},
        {32772, "Start"}, {32773, "Stop"},  {32774, "Options"}, {32775, "Purge Pipe"},
        {0, nullptr},     {57635, "Cut"},   {57634, "Copy"},    {57637, "Paste"},
        {0, nullptr},     {57607, "Print"}, {57664, "About"},
    };
    QToolBar* toolbar = frame_->ToolBar();
    const QList<QAction*> actions = toolbar->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QAction* action = actions.at(static_cast<qsizetype>(i));
        if (expected[i].id == 0) {
            EXPECT_TRUE(action->isSeparator()) << "position " << i;
            continue;
        }
        EXPECT_EQ(action, Action(expected[i].id)) << "position " << i;
        EXPECT_EQ(action->objectName(), QString::number(expected[i].id));
        EXPECT_EQ(action->toolTip(), QString::fromLatin1(expected[i].tooltip));
        auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->objectName(), QString::number(expected[i].id));
        // Each image is one drawn for the program, and it loads.
        EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << expected[i].tooltip;
    }
    EXPECT_EQ(toolbar->iconSize(), QSize(16, 16));
    EXPECT_TRUE(toolbar->isFloatable());
    EXPECT_TRUE(toolbar->isMovable());
    EXPECT_EQ(toolbar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(frame_->toolBarArea(toolbar), Qt::TopToolBarArea);
    EXPECT_FALSE(frame_->windowIcon().isNull());
}

// Drags the toolbar by its handle by `offset`, as the user does.
void DragToolBar(QToolBar& toolbar, QPoint offset)
{
    QStyleOptionToolBar option;
    option.initFrom(&toolbar);
    option.features = QStyleOptionToolBar::Movable;
    if (toolbar.orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    const QRect handle =
        toolbar.style()->subElementRect(QStyle::SE_ToolBarHandle, &option, &toolbar);
    const QPoint grip = handle.isValid() ? handle.center() : QPoint(2, toolbar.height() / 2);
    QTest::mousePress(&toolbar, Qt::LeftButton, {}, grip);
    // In steps: the drag starts after the start distance, then follows.
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(&toolbar, grip + offset * step / 10);
    QTest::mouseRelease(&toolbar, Qt::LeftButton, {}, grip + offset);
}

TEST_F(FrameTest, ToolbarDocksAtEveryEdgeAndFloats)
{
    QToolBar* toolbar = frame_->ToolBar();
    // A drag docks only where both the toolbar and the frame allow it.
    for (Qt::ToolBarArea area :
         {Qt::LeftToolBarArea, Qt::BottomToolBarArea, Qt::RightToolBarArea, Qt::TopToolBarArea}) {
        EXPECT_TRUE(toolbar->isAreaAllowed(area)) << area;
        frame_->addToolBar(area, toolbar);
        EXPECT_EQ(frame_->toolBarArea(toolbar), area);
    }
    EXPECT_TRUE(toolbar->isMovable());
    EXPECT_TRUE(toolbar->isFloatable());

    // Dragged far off the frame by its handle, it floats.
    frame_->resize(640, 480);
    frame_->move(0, 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
    // The drag takes the handle where the frame has laid the toolbar out: along the top.
    ASSERT_TRUE(
        WaitFor([&] { return toolbar->isVisible() && toolbar->width() > toolbar->height(); }));
    DragToolBar(*toolbar, QPoint(300, 700));
    EXPECT_TRUE(toolbar->isFloating());
    EXPECT_TRUE(toolbar->isWindow());
    frame_->addToolBar(Qt::TopToolBarArea, toolbar);
    EXPECT_FALSE(toolbar->isWindow());
}

TEST_F(FrameTest, MenusCarryTheExactItems)
{
    const QList<QAction*> menus = frame_->menuBar()->actions();
    ASSERT_EQ(menus.size(), 5);
    const QStringList titles{"&File", "&Edit", "&View", "&Trace", "&Help"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(menus.at(i)->text(), titles.at(i));

    // Visible items as "id text", separators as "-".
    const auto items = [&](int index) {
        QStringList list;
        for (QAction* action : frame_->Menu(index)->actions()) {
            if (action->isSeparator())
                list << QStringLiteral("-");
            else if (action->isVisible())
                list << action->objectName() + u' ' + action->text();
        }
        return list;
    };
    EXPECT_EQ(items(0), (QStringList{"57600 &New\tCtrl+N", "57601 &Open...\tCtrl+O",
                                     "57603 &Save\tCtrl+S", "57604 Save &As...", "-",
                                     "57607 &Print...\tCtrl+P", "57609 Print Pre&view",
                                     "57606 P&rint Setup...", "-", "32776 Open &Journal Folder",
                                     "-", "57616 Recent File", "-", "57665 E&xit"}));
    EXPECT_EQ(items(1),
              (QStringList{"57643 &Undo\tCtrl+Z", "-", "57635 Cu&t\tCtrl+X", "57634 &Copy\tCtrl+C",
                           "57637 &Paste\tCtrl+V", "-", "57636 &Find...\tCtrl+F",
                           "32780 Find &Next\tF3", "32781 Find Pre&vious\tShift+F3"}));
    EXPECT_EQ(items(2),
              (QStringList{"59392 &Toolbar", "59393 &Status Bar", "-", "32777 &Receipt Time",
                           "32778 &Follow New Lines", "32779 Fi&xed-Width Font"}));
    EXPECT_EQ(items(3), (QStringList{"32772 &Start\tF5", "32773 S&top\tShift+F5", "-",
                                     "32774 &Options...", "32775 &Purge Pipe"}));
    EXPECT_EQ(items(4), (QStringList{"57664 &About Vexmoor..."}));

    // The Trace menu carries the toolbar's own actions: one command each.
    for (int traceCommand : {32772, 32773, 32774, 32775}) {
        EXPECT_TRUE(frame_->Menu(3)->actions().contains(Action(traceCommand)));
        EXPECT_TRUE(frame_->ToolBar()->actions().contains(Action(traceCommand)));
    }
}

TEST_F(FrameTest, AcceleratorsAreTheTableOnes)
{
    const auto keys = [&](int id) { return Action(id)->shortcuts(); };
    using K = QKeySequence;
    EXPECT_EQ(keys(57600), QList<K>{K(Qt::CTRL | Qt::Key_N)});
    EXPECT_EQ(keys(57601), QList<K>{K(Qt::CTRL | Qt::Key_O)});
    EXPECT_EQ(keys(57603), QList<K>{K(Qt::CTRL | Qt::Key_S)});
    EXPECT_EQ(keys(57607), QList<K>{K(Qt::CTRL | Qt::Key_P)});
    EXPECT_EQ(keys(57643), (QList<K>{K(Qt::CTRL | Qt::Key_Z), K(Qt::ALT | Qt::Key_Backspace)}));
    EXPECT_EQ(keys(57635), (QList<K>{K(Qt::CTRL | Qt::Key_X), K(Qt::SHIFT | Qt::Key_Delete)}));
    EXPECT_EQ(keys(57634), (QList<K>{K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_Insert)}));
    EXPECT_EQ(keys(57637), (QList<K>{K(Qt::CTRL | Qt::Key_V), K(Qt::SHIFT | Qt::Key_Insert)}));
    EXPECT_EQ(keys(32772), QList<K>{K(Qt::Key_F5)});
    EXPECT_EQ(keys(32773), QList<K>{K(Qt::SHIFT | Qt::Key_F5)});
    EXPECT_EQ(keys(57636), QList<K>{K(Qt::CTRL | Qt::Key_F)});
    EXPECT_EQ(keys(32780), QList<K>{K(Qt::Key_F3)});
    EXPECT_EQ(keys(32781), QList<K>{K(Qt::SHIFT | Qt::Key_F3)});
    EXPECT_EQ(keys(57680), QList<K>{K(Qt::Key_F6)});
    EXPECT_EQ(keys(57681), QList<K>{K(Qt::SHIFT | Qt::Key_F6)});
    EXPECT_TRUE(keys(57604).isEmpty());
    EXPECT_TRUE(keys(32774).isEmpty());
}

TEST_F(FrameTest, ShortcutReachesItsCommandFromTheWindow)
{
    QApplication::setActiveWindow(frame_);
    frame_->ToolBar()->setFocus();
    int news = 0;
    QObject::connect(Action(57600), &QAction::triggered, [&] { ++news; });
    QTest::keyClick(frame_->ToolBar(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(news, 1);
}

TEST_F(FrameTest, PointingAtAButtonShowsItsPromptAndLeavingShowsReady)
{
    QLabel* pane = frame_->messagePane();
    EXPECT_EQ(pane->text(), QStringLiteral("Ready"));
    QWidget* start = frame_->ToolBar()->widgetForAction(Action(32772));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(start, &enter);
    EXPECT_EQ(pane->text(), QStringLiteral("Start the PL/SQL debugger"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(start, &leave);
    EXPECT_EQ(pane->text(), QStringLiteral("Ready"));

    struct prompt {
        int id;
        const char* text;
    };
    for (const prompt& prompt : {prompt{57600, "Create a new document"},
                                 prompt{57604, "Save the active document with a new name"},
                                 prompt{57606, "Change the printer and printing options"},
                                 prompt{57609, "Display full pages"},
                                 prompt{57665, "Quit the application; prompts to save documents"},
                                 prompt{59393, "Show or hide the status bar"},
                                 prompt{32775, "Purge all messages from the current pipe."}})
        EXPECT_EQ(Action(prompt.id)->statusTip(), QString::fromLatin1(prompt.text));
    EXPECT_EQ(res::tooltipText(59392), QStringLiteral("Toggle ToolBar"));
}

TEST_F(FrameTest, ViewMenuHidesAndShowsTheBarsWithCheckMarks)
{
    QAction* toolbarToggle = Action(59392);
    QAction* statusToggle = Action(59393);
    EXPECT_TRUE(toolbarToggle->isChecked());
    EXPECT_TRUE(statusToggle->isChecked());

    toolbarToggle->trigger();
    EXPECT_TRUE(frame_->ToolBar()->isHidden());
    EXPECT_FALSE(toolbarToggle->isChecked());
    toolbarToggle->trigger();
    EXPECT_FALSE(frame_->ToolBar()->isHidden());
    EXPECT_TRUE(toolbarToggle->isChecked());

    statusToggle->trigger();
    EXPECT_TRUE(frame_->StatusBar()->isHidden());
    EXPECT_FALSE(statusToggle->isChecked());
    statusToggle->trigger();
    EXPECT_FALSE(frame_->StatusBar()->isHidden());
    // The four panes are all still there.
    EXPECT_TRUE(frame_->messagePane()->isVisible());
    for (int id : {59137, 59138, 59139}) {
        QLabel* pane = frame_->keyPanes()->pane(id);
        ASSERT_NE(pane, nullptr);
        EXPECT_TRUE(pane->isVisible());
        EXPECT_EQ(pane->parentWidget(), frame_->StatusBar());
    }

    // Closing the toolbar some other way clears the check mark too.
    frame_->ToolBar()->hide();
    EXPECT_FALSE(toolbarToggle->isChecked());
    frame_->ToolBar()->show();
}

TEST_F(FrameTest, KeyStatePanesNameTheirKeysAndAreDimmedWithoutALock)
{
    EXPECT_EQ(frame_->keyPanes()->pane(59137)->text(), QStringLiteral("CAP"));
    EXPECT_EQ(frame_->keyPanes()->pane(59138)->text(), QStringLiteral("NUM"));
    EXPECT_EQ(frame_->keyPanes()->pane(59139)->text(), QStringLiteral("SCRL"));
    // The offscreen platform has no keyboard whose locks could be on.
    for (int id : {59137, 59138, 59139})
        EXPECT_FALSE(frame_->keyPanes()->pane(id)->isEnabled());
}

TEST(KeyStatePanes, EachPaneFollowsItsOwnKeysLock)
{
    QStatusBar bar;
    LockKey on = LockKey::Caps;
    bool anyOn = false;
    KeyStatePanes panes(bar, [&](LockKey key) { return anyOn && key == on; });
    const auto enabled = [&] {
        std::vector<bool> states;
        for (int id : {59137, 59138, 59139})
            states.push_back(panes.pane(id)->isEnabled());
        return states;
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false}));

    const std::pair<LockKey, std::vector<bool>> cases[] = {
        {LockKey::Caps, {true, false, false}},
        {LockKey::Num, {false, true, false}},
        {LockKey::Scroll, {false, false, true}},
    };
    for (const auto& [key, expected] : cases) {
        on = key;
        anyOn = true;
        // A key pressed anywhere in the program reads the locks again.
        QTest::keyClick(&bar, Qt::Key_Shift);
        EXPECT_EQ(enabled(), expected);
    }
    // A lock switched off while another program had the keyboard shows on
    // the next refresh, within half a second.
    anyOn = false;
    EXPECT_TRUE(WaitFor([&] { return enabled() == std::vector<bool>{false, false, false}; }, 5000));
}

TEST_F(FrameTest, EditCommandsActOnTheLog)
{
    trace::CVexmoorView* view = app_->View();
    view->setLogText("alpha beta");
    view->selectAll();
    EXPECT_TRUE(Action(57634)->isEnabled());
    Action(57634)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("alpha beta"));
    Action(57635)->trigger();
    EXPECT_EQ(view->logText(), "");
    Action(57637)->trigger();
    Action(57637)->trigger();
    EXPECT_EQ(view->logText(), "alpha betaalpha beta");
    Action(57643)->trigger();
    EXPECT_EQ(view->logText(), "alpha beta");
}

TEST_F(FrameTest, EveryCommandHasAPromptAndEveryButtonATooltip)
{
    for (int id : app_->Actions()->commandIds()) {
        EXPECT_FALSE(Action(id)->statusTip().isEmpty()) << id;
        EXPECT_EQ(Action(id)->objectName(), QString::number(id));
    }
    for (QAction* action : frame_->ToolBar()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(res::tooltipText(action->objectName().toInt()).isEmpty());
        }
    }
}

class ReadOnlyFrameTest : public AppTest {};

TEST_F(ReadOnlyFrameTest, WithoutAllowEditOnlyCopyWorks)
{
    profile_.writeProfileInt("Options", "Allow Edit", 0);
    ASSERT_TRUE(Start());
    trace::CVexmoorView* view = app_->View();
    ASSERT_TRUE(view->isReadOnly());
    view->setLogText("fixed text");
    view->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));

    const auto action = [&](int id) { return app_->Actions()->action(id); };
    EXPECT_TRUE(action(57634)->isEnabled());
    EXPECT_FALSE(action(57635)->isEnabled());
    EXPECT_FALSE(action(57637)->isEnabled());
    EXPECT_FALSE(action(57643)->isEnabled());
    // Even when triggered some other way, nothing changes the text.
    for (int id : {57635, 57637, 57643}) {
        action(id)->setEnabled(true);
        action(id)->trigger();
    }
    EXPECT_EQ(view->logText(), "fixed text");
    EXPECT_FALSE(app_->Document().IsModified());
    action(57634)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("fixed text"));
}

TEST_F(FrameTest, ExitClosesTheWindowAfterAskingAboutAModifiedLog)
{
    QTest::keyClicks(app_->View(), "typed");
    QString question;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text();
        box.button(QMessageBox::Cancel)->click();
    });
    Action(57665)->trigger();
    EXPECT_EQ(question, QStringLiteral("Save changes to Untitled?"));
    EXPECT_TRUE(frame_->isVisible()) << "Cancel keeps the program running";

    WhenModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    Action(57665)->trigger();
    EXPECT_FALSE(frame_->isVisible());
}

} // namespace

} // namespace vexmoor::app
