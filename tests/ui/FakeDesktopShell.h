#pragma once

#include "ui/DesktopShell.h"

#include <QStringList>

#include <optional>

namespace vexmoor::ui {

// A desktop that opens nothing: it answers as told and records what it was
// asked, so no test ever starts a browser or a mail program.
class FakeDesktopShell final : public DesktopShell {
public:
    int shellResult = kOpenSucceeded;
    std::optional<QString> webPage; // the browser command line the desktop names
    int startResult = kOpenSucceeded;

    QStringList opened;
    QStringList started;

    int openWithShell(const QString& target) override
    {
        opened << target;
        return shellResult;
    }
    std::optional<QString> webPageCommand() override { return webPage; }
    int startProgram(const QString& commandLine) override
    {
        started << commandLine;
        return startResult;
    }
};

} // namespace vexmoor::ui
