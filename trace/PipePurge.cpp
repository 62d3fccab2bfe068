#include "PipePurge.h"

#include "PipeStatements.h"

#include "db/OciCursor.h"

void PurgePipe(OciSession& session, std::string_view pipeName)
{
    OciCursor cursor(session);
    cursor.SetStatement(PurgeStatement(pipeName));
    cursor.Execute(true);
}
