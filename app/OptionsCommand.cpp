#include "OptionsCommand.h"

#include "options/COptionsDlg.h"
#include "trace/CVexmoorView.h"

namespace vexmoor::app {

void wireOptionsCommand(trace::CVexmoorView& view, base::Profile& profile,
                        trace::PipeChannel& channel)
{
    view.setOptionsCommand([&view, &profile, &channel](base::TraceSettings& settings) {
        return options::runOptionsCommand(settings, profile, channel, view.window());
    });
}

} // namespace vexmoor::app
