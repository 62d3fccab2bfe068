#include "OptionsCommand.h"

#include "options/COptionsDlg.h"
#include "trace/CVexmoorView.h"

void wireOptionsCommand(CVexmoorView& view, Profile& profile, vexmoor::trace::PipeChannel& channel)
{
    view.setOptionsCommand([&view, &profile, &channel](TraceSettings& settings) {
        return runOptionsCommand(settings, profile, channel, view.window());
    });
}
