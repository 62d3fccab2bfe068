#pragma once

#include <QString>

#include <optional>

// What the link control needs from the desktop to open a web page or a mail
// address. The program uses the system's; tests put in their own, so no test
// ever starts a browser.
namespace vexmoor::ui {

// Results above 32 mean success, as the open and start calls report them;
// failures are codes of the reason table (see OpenErrorReason.h).
inline constexpr int kOpenSucceeded = 33;
inline constexpr int kNoAssociation = 31; // nothing opens this kind of target
inline constexpr int kFileNotFound = 2;   // the program to start does not exist
inline constexpr int kAccessDenied = 5;   // it exists but may not be run
inline constexpr int kOutOfResources = 0; // it could not be started

class DesktopShell {
public:
    virtual ~DesktopShell() = default;

    // Opens the target with the desktop's own service.
    virtual int openWithShell(const QString& target) = 0;
    // The default web browser's command line with its "%1" placeholder, if
    // the desktop names one.
    virtual std::optional<QString> webPageCommand() = 0;
    // Starts a command line as a program, without waiting for it.
    virtual int startProgram(const QString& commandLine) = 0;
};

// The desktop's open service, then the default browser started directly
// with the target; returns the result of the last attempt made.
int OpenTarget(DesktopShell& shell, const QString& target);

// The running system's desktop.
class SystemDesktopShell final : public DesktopShell {
public:
    int openWithShell(const QString& target) override;
    std::optional<QString> webPageCommand() override;
    int startProgram(const QString& commandLine) override;
};

// One system shell for the whole program.
DesktopShell& systemShell();

} // namespace vexmoor::ui
