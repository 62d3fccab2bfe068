#pragma once

#include <QMainWindow>

#include <functional>

class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

namespace vexmoor::ui {
class FindBar;
}

namespace vexmoor::app {

class ActionRegistry;
class KeyStatePanes;
class RecentFileList;

// The main window: menu, toolbar and status bar around the log view. Its
// commands are the actions of the registry; the frame only lays them out and
// keeps the bars' View-menu check marks true.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(ActionRegistry& actions, QWidget* parent = nullptr);

    // Builds the menu, the toolbar and the status bar with its four panes.
    // False when any of them could not be made.
    bool OnCreate();

    QToolBar* ToolBar() const { return m_wndToolBar; }
    QStatusBar* StatusBar() const { return m_wndStatusBar; }
    // The message pane: "Ready", or the prompt of the item under the pointer.
    QLabel* messagePane() const { return messagePane_; }
    // Shows text in the message pane; a message the pane cuts short can be
    // read whole from its tooltip.
    void showMessage(const QString& text);
    KeyStatePanes* keyPanes() const { return keyPanes_; }
    // What tracing does, left of the key-state panes.
    QLabel* statePane() const { return statePane_; }
    // The find bar, under the toolbar; hidden until Find.
    ui::FindBar* findBar() const { return findBar_; }
    QToolBar* findToolBar() const { return findToolBar_; }
    void showFindBar();
    void hideFindBar();
    // The smallest size at which the menu, the toolbar and one line of the
    // central window stay usable; set once the central window is in place.
    void keepUsableMinimumSize();
    QMenu* Menu(int index) const;

    // "<document title> - Vexmoor - The PL/SQL Tracing facility".
    void updateFrameTitle(const QString& documentTitle);

    // Shows the list in the File menu in place of the "Recent File" item.
    void updateRecentFiles(const RecentFileList& recentFiles);

    // Asked before the window closes; false keeps it open.
    void setCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildFindBar();
    void connectBarToggles();
    void syncBarChecks();

    // In this order, as the frame declares its two bars.
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;

    ActionRegistry& actions_;
    QLabel* messagePane_ = nullptr;
    KeyStatePanes* keyPanes_ = nullptr;
    QLabel* statePane_ = nullptr;
    QToolBar* findToolBar_ = nullptr;
    ui::FindBar* findBar_ = nullptr;
    QList<QMenu*> menus_;
    std::function<bool()> closeQuery_;
};

// The main window's title for a document title.
QString frameTitle(const QString& documentTitle);

} // namespace vexmoor::app
