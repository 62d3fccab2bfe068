#include "PipePurge.h"

#include "PipeStatements.h"

#include "db/OciCursor.h"

void purgePipe(OciSession& session, std::string_view pipeName)
{
    OciCursor cursor(session);
    cursor.SetStatement(purgeStatement(pipeName));
    cursor.Execute(true);
}
