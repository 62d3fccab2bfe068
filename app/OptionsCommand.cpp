#include "OptionsCommand.h"

#include "options/COptionsDlg.h"
#include "trace/CVexmoorView.h"

void WireOptionsCommand(CVexmoorView& view, Profile& profile, OciSession& session)
{
    view.SetOptionsCommand([&view, &profile, &session](TraceSettings& settings) {
        return RunOptionsCommand(settings, profile, session, view.window());
    });
}
