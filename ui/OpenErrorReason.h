#pragma once

#include <QString>

namespace vexmoor::ui {

// Why a link could not be opened, by the result code of the open or start
// attempt. Codes without a reason of their own, negative ones included, give
// "Unknown Error (<code>) occurred.".
QString reasonForCode(int code);

// The whole message shown when a link cannot be opened.
QString openErrorMessage(int code);

} // namespace vexmoor::ui
