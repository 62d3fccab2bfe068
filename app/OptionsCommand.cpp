#include "OptionsCommand.h"

#include "options/COptionsDlg.h"
#include "trace/CVexmoorView.h"

namespace vexmoor::app {

void wireOptionsCommand(trace::CVexmoorView& view, base::Profile& profile, db::OciSession& session)
{
    view.setOptionsCommand([&view, &profile, &session](base::TraceSettings& settings) {
        return options::runOptionsCommand(settings, profile, session, view.window());
    });
}

} // namespace vexmoor::app
