#include "CMainFrame.h"

#include "ActionRegistry.h"
#include "KeyStatePanes.h"
#include "RecentFileList.h"
#include "res/CommandIds.h"
#include "res/MenuTable.h"
#include "res/StringTable.h"
#include "res/ToolbarTable.h"
#include "ui/FindBar.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace vexmoor::app {

QString frameTitle(const QString& documentTitle)
{
    return documentTitle + QStringLiteral(" - ") + res::loadString(res::IDR_MAINFRAME);
}

CMainFrame::CMainFrame(ActionRegistry& actions, QWidget* parent)
    : QMainWindow(parent), actions_(actions)
{
    setObjectName(QString::number(res::IDR_MAINFRAME));
}

bool CMainFrame::OnCreate()
{
    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildFindBar();
    connectBarToggles();
    // Shortcuts work wherever the focus is in the window, also for commands
    // that no menu carries (F6, the toolbar-only ones).
    addActions(actions_.actions());
    return m_wndToolBar && m_wndStatusBar && messagePane_ && keyPanes_;
}

QMenu* CMainFrame::Menu(int index) const
{
    return index >= 0 && index < menus_.size() ? menus_.at(index) : nullptr;
}

void CMainFrame::buildMenus()
{
    for (const res::Menu& menuTemplate : res::mainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(menuTemplate.title));
        for (const res::MenuItem& item : menuTemplate.items) {
            if (item.commandId == 0) {
                menu->addSeparator();
                continue;
            }
            menu->addAction(actions_.action(item.commandId));
            // The rest of the recent-file list follows its first place.
            if (item.commandId == res::ID_FILE_MRU_FILE1) {
                for (int id = res::ID_FILE_MRU_FILE2; id <= res::ID_FILE_MRU_FILE4; ++id) {
                    QAction* entry = actions_.action(id);
                    entry->setVisible(false);
                    menu->addAction(entry);
                }
            }
        }
        menus_.append(menu);
    }
    if (QMenu* view = Menu(2))
        connect(view, &QMenu::aboutToShow, this, &CMainFrame::syncBarChecks);
}

void CMainFrame::buildToolBar()
{
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QString::number(res::AFX_IDW_TOOLBAR));
    m_wndToolBar->setWindowTitle(QStringLiteral("Standard"));
    m_wndToolBar->setIconSize(QSize(res::kToolbarImageSize, res::kToolbarImageSize));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (const res::ToolbarButton& button : res::mainToolbar()) {
        if (button.commandId == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = actions_.action(button.commandId);
        m_wndToolBar->addAction(action);
        if (QWidget* widget = m_wndToolBar->widgetForAction(action))
            widget->setObjectName(QString::number(button.commandId));
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    setDockOptions(dockOptions() | QMainWindow::AnimatedDocks);
}

void CMainFrame::buildStatusBar()
{
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QString::number(res::AFX_IDW_STATUS_BAR));
    messagePane_ = new QLabel(res::loadString(res::AFX_IDS_IDLEMESSAGE), m_wndStatusBar);
    messagePane_->setObjectName(QString::number(res::ID_SEPARATOR));
    // A long message (a refusal of Generate Procedures, a path) gives up its
    // end rather than push the trace state and the key states out of sight.
    messagePane_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_wndStatusBar->addWidget(messagePane_, 1);
    statePane_ = new QLabel(m_wndStatusBar);
    statePane_->setObjectName(QString::number(res::ID_INDICATOR_TRACE_STATE));
    statePane_->setToolTip(res::loadString(res::ID_INDICATOR_TRACE_STATE));
    m_wndStatusBar->addPermanentWidget(statePane_);
    keyPanes_ = new KeyStatePanes(*m_wndStatusBar);
    setStatusBar(m_wndStatusBar);
}

void CMainFrame::buildFindBar()
{
    findToolBar_ = new QToolBar(QStringLiteral("Find"), this);
    findToolBar_->setObjectName(QStringLiteral("FindToolBar"));
    findToolBar_->setMovable(false);
    findBar_ = new ui::FindBar(findToolBar_);
    findToolBar_->addWidget(findBar_);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, findToolBar_);
    findToolBar_->hide();
    connect(findBar_, &ui::FindBar::closeRequested, this, &CMainFrame::hideFindBar);
    // Escape closes the bar also while the focus is in the log.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setEnabled(false);
    connect(escape, &QShortcut::activated, findBar_, &ui::FindBar::closeRequested);
    connect(findToolBar_, &QToolBar::visibilityChanged, escape, &QShortcut::setEnabled);
}

void CMainFrame::showFindBar()
{
    findToolBar_->show();
    findBar_->focusText();
}

void CMainFrame::hideFindBar()
{
    findToolBar_->hide();
    if (centralWidget())
        centralWidget()->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::keepUsableMinimumSize()
{
    // One line of the central window, with its horizontal scroll bar.
    int lineHeight = fontMetrics().lineSpacing();
    int scrollBarHeight = 0;
    if (const QWidget* central = centralWidget()) {
        // The window's frame and the text's margins (4 pixels each side).
        lineHeight = central->fontMetrics().lineSpacing()
                     + 2 * central->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
        scrollBarHeight = central->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    }
    const int height = menuBar()->sizeHint().height() + m_wndToolBar->sizeHint().height()
                       + m_wndStatusBar->sizeHint().height() + lineHeight + scrollBarHeight;
    const int width = std::max(menuBar()->sizeHint().width(), m_wndToolBar->sizeHint().width());
    setMinimumSize(width, height);
}

void CMainFrame::connectBarToggles()
{
    QAction* toolbarToggle = actions_.action(res::ID_VIEW_TOOLBAR);
    QAction* statusBarToggle = actions_.action(res::ID_VIEW_STATUS_BAR);
    connect(toolbarToggle, &QAction::triggered, this,
            [this](bool checked) { m_wndToolBar->setVisible(checked); });
    connect(statusBarToggle, &QAction::triggered, this,
            [this](bool checked) { m_wndStatusBar->setVisible(checked); });
    // The toolbar can also be closed from its own context menu or when floating.
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::syncBarChecks);
}

void CMainFrame::syncBarChecks()
{
    actions_.action(res::ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
    actions_.action(res::ID_VIEW_STATUS_BAR)->setChecked(!m_wndStatusBar->isHidden());
}

void CMainFrame::updateFrameTitle(const QString& documentTitle)
{
    setWindowTitle(frameTitle(documentTitle));
}

void CMainFrame::updateRecentFiles(const RecentFileList& recentFiles)
{
    QAction* first = actions_.action(res::ID_FILE_MRU_FILE1);
    if (recentFiles.size() == 0) {
        first->setText(res::loadString(res::AFX_IDS_MRU_FILE));
        first->setEnabled(false);
        first->setVisible(true);
    }
    for (int index = 0; index < 4; ++index) {
        QAction* entry = actions_.action(res::ID_FILE_MRU_FILE1 + index);
        if (index < recentFiles.size()) {
            entry->setText(recentFiles.menuText(index));
            entry->setEnabled(true);
            entry->setVisible(true);
        } else if (index > 0) {
            entry->setVisible(false);
        }
    }
}

bool CMainFrame::event(QEvent* event)
{
    // The message pane shows the prompt of the item under the pointer, and
    // "Ready" when there is none.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        showMessage(tip.isEmpty() ? res::loadString(res::AFX_IDS_IDLEMESSAGE) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::showMessage(const QString& text)
{
    if (messagePane_ == nullptr)
        return;
    messagePane_->setText(text);
    messagePane_->setToolTip(text == res::loadString(res::AFX_IDS_IDLEMESSAGE) ? QString() : text);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (closeQuery_ && !closeQuery_()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace vexmoor::app
