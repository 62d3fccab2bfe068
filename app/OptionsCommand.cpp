#include "OptionsCommand.h"

#include "options/COptionsDlg.h"
#include "trace/CVexmoorView.h"

void wireOptionsCommand(CVexmoorView& view, Profile& profile, OciSession& session)
{
    view.setOptionsCommand([&view, &profile, &session](TraceSettings& settings) {
        return runOptionsCommand(settings, profile, session, view.window());
    });
}
