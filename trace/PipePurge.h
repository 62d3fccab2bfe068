#pragma once

#include <string_view>

class OciSession;

// Throws away every message waiting on the pipe, on a cursor of its own.
void purgePipe(OciSession& session, std::string_view pipeName);
