#pragma once

#include <cstdio>
#include <string>
#include <vector>

class OciSession;

// Calls SendDebugMessage (SendTraceMessage when `trace`) once per text, in
// order, on one cursor, with the text and the pipe bound as placeholders. A
// text "-" stands for the lines of `input`, one message each.
void RunSend(OciSession& session, const std::vector<std::string>& texts, const std::string& pipe,
             bool trace, std::FILE* input);

// The block that sends one message; :message and :pipe are its placeholders.
std::string SendStatement(bool trace);
