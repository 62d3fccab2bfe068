#pragma once

#include <QString>

#include <optional>

// The default web browser's command line, in the form the link control
// completes: "%1" (or "\"%1\"") stands where the address goes.
namespace vexmoor::ui {

// Cuts the registered command at its placeholder and appends " " and the
// target: at the first character of "\"%1\"" if present, else at "%1", else
// the whole command is kept. Whatever followed the placeholder is dropped, so
// the target is passed without quotes.
QString completeBrowserCommand(const QString& command, const QString& target);

// A desktop entry's Exec value in the placeholder form: %u, %U, %f and %F
// become %1, "%%" a single %, and the other field codes (%i, %c, %k and the
// deprecated ones) are dropped.
QString execLineToBrowserCommand(const QString& exec);

// The Exec value of a desktop entry file's [Desktop Entry] group.
std::optional<QString> desktopEntryExec(const QString& desktopFile);

// The first desktop id a mimeapps.list file names as the default
// application for a MIME type (its [Default Applications] group).
std::optional<QString> defaultApplicationFor(const QString& mimeappsList, const QString& mimeType);

} // namespace vexmoor::ui
